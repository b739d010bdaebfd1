// The module's 42 bitmaps: resource id, size, colour depth and the function that draws each.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

struct Rgb {
    uint8_t r                                  = 0;
    uint8_t g                                  = 0;
    uint8_t b                                  = 0;
    friend constexpr bool operator==(Rgb, Rgb) = default;
};

inline constexpr Rgb black{0, 0, 0};  // transparent for the host

// An RGB pixel buffer, black when made; every drawing call clips to the buffer.
// Angles are degrees clockwise from twelve o'clock, as on a dial.
class Canvas {
  public:
    Canvas(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    Rgb at(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }

    void set(int x, int y, Rgb colour);
    void fill(Rgb colour);
    void rect(int x, int y, int w, int h, Rgb colour);  // filled
    void frame(int x, int y, int w, int h, int thickness, Rgb colour);
    void line(double x0, double y0, double x1, double y1, double thickness, Rgb colour);
    void circle(double cx, double cy, double radius, Rgb colour);  // filled disc
    void sector(double cx, double cy, double radius, double from_deg, double to_deg, Rgb colour);

  private:
    int width_;
    int height_;
    std::vector<Rgb> pixels_;
};

using DrawFn = void (*)(Canvas&);

struct BitmapTableEntry {
    int32_t id;
    int width;
    int height;
    int bits_per_pixel;  // 8 (palette) or 24 (BGR)
    DrawFn draw;
    const char* role;
};

std::span<const BitmapTableEntry> bitmap_entries();
const BitmapTableEntry* find_bitmap(int32_t id);      // nullptr when unknown
Canvas render(const BitmapTableEntry& bitmap_entry);  // a fresh canvas of the bitmap's size, drawn

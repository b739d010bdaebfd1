// The module's 42 bitmaps: resource id, size, colour depth, where each is
// meant to be seen, and the function that paints it with Cairo.
// Input: the gauges' own needle tables and layout; output: RGB pictures in
// which pure black (0, 0, 0) is where the host sees through.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "host/panel_interface.h"

typedef struct _cairo cairo_t;  // Cairo's own declaration, repeated here

struct Rgb {
    uint8_t r                                  = 0;
    uint8_t g                                  = 0;
    uint8_t b                                  = 0;
    friend constexpr bool operator==(Rgb, Rgb) = default;
};

inline constexpr Rgb black{0, 0, 0};  // transparent for the host

// A painted bitmap as RGB pixels, row by row from the top.
class Canvas {
  public:
    Canvas(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    Rgb at(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }
    void set(int x, int y, Rgb colour) { pixels_[static_cast<size_t>(y) * width_ + x] = colour; }

  private:
    int width_;
    int height_;
    std::vector<Rgb> pixels_;
};

// Where a bitmap's visible art lies, which must never be pure black, and,
// for some shapes, where the host must see through it.
struct VisibleArt {
    enum class Shape {
        nothing,     // every pixel black: the host sees through all of it
        everything,  // every pixel painted
        disc,        // the disc inscribed in the bitmap, `inset_px` in from its edge;
                     // the corners are black
        ring,        // like disc, but only from `inner_px` from the centre outwards
        frame,       // a one-pixel frame around a black window
        axis,        // a needle: the pixel row through the pivot, from the pivot to
                     // `inset_px` short of the right edge (from x = 0 when the
                     // pivot sits on the left edge)
        unchecked,   // a shape the table does not describe
    };
    Shape shape  = Shape::unchecked;
    int inset_px = 0;
    int inner_px = 0;
};

using PaintFn = void (*)(cairo_t* cr);

struct BitmapTableEntry {
    int32_t id;
    int width;
    int height;
    int bits_per_pixel;  // 8 (palette) or 24 (BGR)
    PaintFn paint;       // paints on a transparent surface of the bitmap's size
    const char* role;
    VisibleArt visible;
    host::PixelPoint pivot = {-1, -1};  // a needle's pivot in the bitmap; -1 otherwise
};

std::span<const BitmapTableEntry> bitmap_entries();
const BitmapTableEntry* find_bitmap(int32_t id);      // nullptr when unknown
Canvas render(const BitmapTableEntry& bitmap_entry);  // the bitmap painted, as the module ships it

// A dial's scale as painted from a needle table: every row whose value lies in
// [first_marked, last_marked] has a mark `mark_radius_px` from the needle's
// position, in the direction the host turns the needle for that value.
struct DialScale {
    int32_t dial_id;
    host::PixelPoint needle_position;
    std::span<const host::NeedleRow> rows;
    double first_marked;
    double last_marked;
    double mark_radius_px;
};
std::span<const DialScale> dial_scales();

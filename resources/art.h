// Drawing vocabulary of the instrument artwork: the paints, and dial shapes
// painted with Cairo. Angles are degrees clockwise from +x (y down), as the
// host turns needles; lengths and points are pixels on the bitmap.
#pragma once

#include <cairo.h>

#include <numbers>

#include "host/panel_interface.h"
#include "resources/bitmap_table.h"

namespace art {

inline constexpr double deg = std::numbers::pi / 180;

// The paints of the period: matt black faces, white markings. Nothing that is
// meant to be seen is pure black, which the host sees through.
namespace paint {
inline constexpr Rgb face           = {24, 24, 26};
inline constexpr Rgb plate          = {34, 34, 37};
inline constexpr Rgb case_grey      = {46, 46, 50};
inline constexpr Rgb bezel          = {72, 72, 78};
inline constexpr Rgb window_frame   = {96, 96, 102};
inline constexpr Rgb marking        = {238, 238, 232};
inline constexpr Rgb needle         = {250, 250, 250};
inline constexpr Rgb hub            = {62, 62, 66};
inline constexpr Rgb hub_cap        = {120, 120, 126};
inline constexpr Rgb limit          = {222, 30, 30};
inline constexpr Rgb command        = {255, 120, 0};
inline constexpr Rgb reference      = {90, 205, 255};
inline constexpr Rgb drum           = {30, 30, 30};
inline constexpr Rgb hatch          = {150, 150, 150};
inline constexpr Rgb shield         = {40, 40, 43};
inline constexpr Rgb knob           = {58, 58, 62};
inline constexpr Rgb knob_grip      = {88, 88, 94};
inline constexpr Rgb chrome         = {205, 205, 212};
inline constexpr Rgb chrome_dark    = {130, 130, 138};
inline constexpr Rgb lamp_amber     = {255, 176, 0};
inline constexpr Rgb lamp_lettering = {70, 40, 0};
inline constexpr Rgb flag_red       = {205, 28, 28};
inline constexpr Rgb flag_red_dark  = {140, 18, 18};
}  // namespace paint

struct Point {
    double x = 0;
    double y = 0;
};

// The band between two distances from a centre.
struct Ring {
    double inner_px;
    double outer_px;
};

enum class Weight { normal, bold };

// The centre of pixel `p`: where a needle pivoting on p turns.
inline Point centre_of(host::PixelPoint p) {
    return {p.x + 0.5, p.y + 0.5};
}
Point polar(Point centre, double angle_deg, double radius_px);
Point surface_size(cairo_t* cr);

void disc(cairo_t* cr, Point centre, double radius_px, Rgb colour);
void annulus(cairo_t* cr, Point centre, double inner_px, double outer_px, Rgb colour);
// The part of `ring` from `from_deg` clockwise to `to_deg`.
void sector(cairo_t* cr, Point centre, Ring ring, double from_deg, double to_deg, Rgb colour);
void tick(cairo_t* cr, Point centre, double angle_deg, Ring ring, double width_px, Rgb colour);
void line(cairo_t* cr, Point from, Point to, double width_px, Rgb colour);
void rectangle(cairo_t* cr, Point top_left, double w, double h, Rgb colour);
void rounded_rectangle(cairo_t* cr, Point top_left, double w, double h, double r, Rgb colour);
void frame(cairo_t* cr, double w, double h, Rgb colour);  // one pixel, at the bitmap's edge
void frame_at(cairo_t* cr, Point top_left, double w, double h, Rgb colour);
void hatch(cairo_t* cr, Point top_left, double w, double h, Rgb colour);
// `label` with its ink centred on `centre`, in DejaVu Sans.
// Text drawn the same on every run: unhinted, greyscale anti-aliasing.
void steady_text(cairo_t* cr);
void text(cairo_t* cr, Point centre, const char* label, double size_px, Rgb colour, Weight weight);

// A pointer along +x from the pivot: a tail to `tail_x`, a bar tapering from
// `root_width_px` to `tip_width_px`, and a point at `tip_x`.
void needle_bar(cairo_t* cr, Point pivot, double tail_x, double tip_x, double root_width_px,
                double tip_width_px, Rgb colour);
void hub(cairo_t* cr, Point pivot, double radius_px);
// A marker at the rim, between `from_x` and `to_x` along +x, `half_height_px` either side of the
// axis.
void bug(cairo_t* cr, Point pivot, double from_x, double to_x, double half_height_px, Rgb colour);
// A knurled knob with a white index pointing up at rotation 0.
void knob(cairo_t* cr, Point centre, double radius_px, Rgb colour);
void knob_base(cairo_t* cr, Point centre, double radius_px);
// An amber lamp of `size_px` square, lettered.
void lamp(cairo_t* cr, int size_px, const char* label);

// Paints a `width` x `height` bitmap with `paint_fn` on a transparent surface
// and returns it as the host sees it: anything less than half covered is
// black, everything else its colour, pure black lifted to the darkest grey.
Canvas paint_canvas(int width, int height, PaintFn paint_fn);

}  // namespace art

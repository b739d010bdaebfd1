// Cairo shapes of the instrument artwork, and the conversion of a painted
// surface into the pixels the host sees.
#include "resources/art.h"

#include <fontconfig/fontconfig.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace art {

// Unhinted text with greyscale anti-aliasing: the same packages give the same
// pixels on every machine.
void steady_text(cairo_t* cr) {
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
}

namespace {

void set_colour(cairo_t* cr, Rgb c) {
    cairo_set_source_rgb(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0);
}

// Fills the current path; black clears it, so that the host sees through.
void fill(cairo_t* cr, Rgb colour) {
    if (colour == black) {
        cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
        cairo_fill(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    } else {
        set_colour(cr, colour);
        cairo_fill(cr);
    }
}

void select_font(cairo_t* cr, double size_px, Weight weight) {
    cairo_select_font_face(
        cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
        weight == Weight::bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size_px);
    steady_text(cr);
}

// The darkest paint that still shows: what pure black in the art becomes.
constexpr Rgb darkest = {8, 8, 8};

}  // namespace

Point polar(Point centre, double angle_deg, double radius_px) {
    return {centre.x + radius_px * std::cos(angle_deg * deg),
            centre.y + radius_px * std::sin(angle_deg * deg)};
}

Point surface_size(cairo_t* cr) {
    cairo_surface_t* s = cairo_get_target(cr);
    return {static_cast<double>(cairo_image_surface_get_width(s)),
            static_cast<double>(cairo_image_surface_get_height(s))};
}

void disc(cairo_t* cr, Point c, double r, Rgb colour) {
    cairo_new_path(cr);
    cairo_arc(cr, c.x, c.y, r, 0, 2 * std::numbers::pi);
    fill(cr, colour);
}

void annulus(cairo_t* cr, Point c, double inner, double outer, Rgb colour) {
    cairo_new_path(cr);
    cairo_arc(cr, c.x, c.y, outer, 0, 2 * std::numbers::pi);
    cairo_new_sub_path(cr);
    cairo_arc_negative(cr, c.x, c.y, inner, 2 * std::numbers::pi, 0);
    fill(cr, colour);
}

void sector(cairo_t* cr, Point c, Ring ring, double from_deg, double to_deg, Rgb colour) {
    cairo_new_path(cr);
    cairo_arc(cr, c.x, c.y, ring.outer_px, from_deg * deg, to_deg * deg);
    if (ring.inner_px > 0) {
        cairo_arc_negative(cr, c.x, c.y, ring.inner_px, to_deg * deg, from_deg * deg);
    } else {
        cairo_line_to(cr, c.x, c.y);
    }
    cairo_close_path(cr);
    fill(cr, colour);
}

void tick(cairo_t* cr, Point c, double angle_deg, Ring ring, double width_px, Rgb colour) {
    line(cr, polar(c, angle_deg, ring.inner_px), polar(c, angle_deg, ring.outer_px), width_px,
         colour);
}

void line(cairo_t* cr, Point from, Point to, double width_px, Rgb colour) {
    cairo_new_path(cr);
    cairo_move_to(cr, from.x, from.y);
    cairo_line_to(cr, to.x, to.y);
    cairo_set_line_width(cr, width_px);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    set_colour(cr, colour);
    cairo_stroke(cr);
}

void rectangle(cairo_t* cr, Point p, double w, double h, Rgb colour) {
    cairo_new_path(cr);
    cairo_rectangle(cr, p.x, p.y, w, h);
    fill(cr, colour);
}

void rounded_rectangle(cairo_t* cr, Point p, double w, double h, double r, Rgb colour) {
    const double half_pi = std::numbers::pi / 2;
    cairo_new_path(cr);
    cairo_arc(cr, p.x + w - r, p.y + r, r, -half_pi, 0);
    cairo_arc(cr, p.x + w - r, p.y + h - r, r, 0, half_pi);
    cairo_arc(cr, p.x + r, p.y + h - r, r, half_pi, 2 * half_pi);
    cairo_arc(cr, p.x + r, p.y + r, r, 2 * half_pi, 3 * half_pi);
    cairo_close_path(cr);
    fill(cr, colour);
}

void frame_at(cairo_t* cr, Point p, double w, double h, Rgb colour) {
    cairo_new_path(cr);
    cairo_rectangle(cr, p.x + 0.5, p.y + 0.5, w - 1, h - 1);
    cairo_set_line_width(cr, 1);
    set_colour(cr, colour);
    cairo_stroke(cr);
}

void frame(cairo_t* cr, double w, double h, Rgb colour) {
    frame_at(cr, {0, 0}, w, h, colour);
}

void hatch(cairo_t* cr, Point p, double w, double h, Rgb colour) {
    cairo_save(cr);
    cairo_rectangle(cr, p.x, p.y, w, h);
    cairo_clip(cr);
    for (double x = p.x - h; x < p.x + w; x += 5) line(cr, {x, p.y + h}, {x + h, p.y}, 1.6, colour);
    cairo_restore(cr);
}

void text(cairo_t* cr, Point c, const char* label, double size_px, Rgb colour, Weight weight) {
    select_font(cr, size_px, weight);
    cairo_text_extents_t e;
    cairo_text_extents(cr, label, &e);
    cairo_new_path(cr);
    cairo_move_to(cr, c.x - e.x_bearing - e.width / 2, c.y - e.y_bearing - e.height / 2);
    set_colour(cr, colour);
    cairo_show_text(cr, label);
    cairo_new_path(cr);
}

void needle_bar(cairo_t* cr, Point pivot, double tail_x, double tip_x, double root_w, double tip_w,
                Rgb colour) {
    const double y    = pivot.y;
    const double cone = tip_w * 0.6;  // the length of the point: short, to keep the tip broad
    cairo_new_path(cr);
    cairo_move_to(cr, tail_x, y - root_w / 2);
    cairo_line_to(cr, tip_x - cone, y - tip_w / 2);
    cairo_line_to(cr, tip_x, y);
    cairo_line_to(cr, tip_x - cone, y + tip_w / 2);
    cairo_line_to(cr, tail_x, y + root_w / 2);
    cairo_close_path(cr);
    fill(cr, colour);
}

void hub(cairo_t* cr, Point pivot, double r) {
    disc(cr, pivot, r, paint::hub);
    disc(cr, pivot, r * 0.45, paint::hub_cap);
}

void bug(cairo_t* cr, Point pivot, double from_x, double to_x, double half_h, Rgb colour) {
    const double y = pivot.y;
    cairo_new_path(cr);
    cairo_move_to(cr, from_x, y);  // the point, towards the centre
    cairo_line_to(cr, from_x + (to_x - from_x) * 0.45, y - half_h);
    cairo_line_to(cr, to_x, y - half_h);
    cairo_line_to(cr, to_x, y + half_h);
    cairo_line_to(cr, from_x + (to_x - from_x) * 0.45, y + half_h);
    cairo_close_path(cr);
    fill(cr, colour);
}

void knob(cairo_t* cr, Point c, double r, Rgb colour) {
    // The grip: small teeth all round.
    constexpr int teeth = 24;
    cairo_new_path(cr);
    for (int i = 0; i < 2 * teeth; ++i) {
        const Point p = polar(c, i * 180.0 / teeth, i % 2 ? r - 1.5 : r);
        cairo_line_to(cr, p.x, p.y);
    }
    cairo_close_path(cr);
    set_colour(cr, paint::knob_grip);
    cairo_fill(cr);
    disc(cr, c, r - 2.5, colour);
    line(cr, polar(c, -90, r * 0.15), polar(c, -90, r - 1), std::max(1.5, r / 8), paint::marking);
}

void knob_base(cairo_t* cr, Point c, double r) {
    disc(cr, c, r, paint::bezel);
    disc(cr, c, r - 2, paint::plate);
    for (int a = 0; a < 360; a += 30) tick(cr, c, a, {r - 4.5, r - 2}, 1, paint::marking);
}

void lamp(cairo_t* cr, int size, const char* label) {
    rectangle(cr, {0, 0}, size, size, paint::bezel);
    rounded_rectangle(cr, {2, 2}, size - 4, size - 4, 2, paint::lamp_amber);
    text(cr, {size / 2.0, size / 2.0}, label, size * 0.34, paint::lamp_lettering, Weight::bold);
}

Canvas paint_canvas(int width, int height, PaintFn paint_fn) {
    // Cairo's and fontconfig's caches are given back when the program ends.
    static const bool release_at_exit = std::atexit([] {
                                            cairo_debug_reset_static_data();
                                            FcFini();
                                        }) == 0;
    (void)release_at_exit;
    using Surface = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;
    using Context = std::unique_ptr<cairo_t, decltype(&cairo_destroy)>;
    Surface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height),
                    cairo_surface_destroy);
    Context cr(cairo_create(surface.get()), cairo_destroy);
    cairo_set_antialias(cr.get(), CAIRO_ANTIALIAS_GRAY);
    paint_fn(cr.get());
    if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) {
        throw std::runtime_error(cairo_status_to_string(cairo_status(cr.get())));
    }
    cairo_surface_flush(surface.get());

    Canvas canvas(width, height);
    const unsigned char* data = cairo_image_surface_get_data(surface.get());
    const int stride          = cairo_image_surface_get_stride(surface.get());
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
        for (int x = 0; x < width; ++x) {
            const uint32_t argb = row[x];
            const uint32_t a    = argb >> 24;
            if (a < 128) continue;  // left black: the host sees through
            // Premultiplied: bring each channel back to full strength.
            const auto channel = [&](int shift) {
                return static_cast<uint8_t>(
                    std::min<uint32_t>(255, (((argb >> shift) & 0xFF) * 255 + a / 2) / a));
            };
            Rgb c = {channel(16), channel(8), channel(0)};
            if (c == black) c = darkest;
            canvas.set(x, y, c);
        }
    }
    return canvas;
}

}  // namespace art

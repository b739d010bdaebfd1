// Placeholder art for every bitmap and the table that ties each to its id, size and depth.
#include "resources/bitmap_table.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "resources/bitmap_ids.h"

Canvas::Canvas(int width, int height)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height, black) {}

void Canvas::set(int x, int y, Rgb colour) {
    if (x >= 0 && y >= 0 && x < width_ && y < height_) {
        pixels_[static_cast<size_t>(y) * width_ + x] = colour;
    }
}

void Canvas::fill(Rgb colour) {
    std::fill(pixels_.begin(), pixels_.end(), colour);
}

void Canvas::rect(int x, int y, int w, int h, Rgb colour) {
    for (int row = std::max(y, 0); row < std::min(y + h, height_); ++row) {
        for (int col = std::max(x, 0); col < std::min(x + w, width_); ++col) {
            pixels_[static_cast<size_t>(row) * width_ + col] = colour;
        }
    }
}

void Canvas::frame(int x, int y, int w, int h, int thickness, Rgb colour) {
    rect(x, y, w, thickness, colour);
    rect(x, y + h - thickness, w, thickness, colour);
    rect(x, y, thickness, h, colour);
    rect(x + w - thickness, y, thickness, h, colour);
}

void Canvas::line(double x0, double y0, double x1, double y1, double thickness, Rgb colour) {
    const double half    = thickness / 2;
    const double dx      = x1 - x0;
    const double dy      = y1 - y0;
    const double length2 = dx * dx + dy * dy;
    const int left       = static_cast<int>(std::floor(std::min(x0, x1) - half));
    const int right      = static_cast<int>(std::ceil(std::max(x0, x1) + half));
    const int top        = static_cast<int>(std::floor(std::min(y0, y1) - half));
    const int bottom     = static_cast<int>(std::ceil(std::max(y0, y1) + half));
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            const double px = x + 0.5;
            const double py = y + 0.5;
            double t        = length2 > 0 ? ((px - x0) * dx + (py - y0) * dy) / length2 : 0;
            t               = std::clamp(t, 0.0, 1.0);
            const double ex = px - (x0 + t * dx);
            const double ey = py - (y0 + t * dy);
            if (ex * ex + ey * ey <= half * half) set(x, y, colour);
        }
    }
}

void Canvas::circle(double cx, double cy, double radius, Rgb colour) {
    sector(cx, cy, radius, 0, 360, colour);
}

void Canvas::sector(double cx, double cy, double radius, double from_deg, double to_deg,
                    Rgb colour) {
    const bool whole = to_deg - from_deg >= 360;
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            const double dx = x + 0.5 - cx;
            const double dy = y + 0.5 - cy;
            if (dx * dx + dy * dy > radius * radius) continue;
            if (!whole) {
                double angle = std::atan2(dx, -dy) * 180 / std::numbers::pi;
                if (angle < 0) angle += 360;
                const bool inside = from_deg <= to_deg ? angle >= from_deg && angle <= to_deg
                                                       : angle >= from_deg || angle <= to_deg;
                if (!inside) continue;
            }
            set(x, y, colour);
        }
    }
}

namespace {

// Shapes shared by several placeholders.

void dial(Canvas& c, Rgb face, Rgb ticks) {
    const double cx = c.width() / 2.0;
    const double cy = c.height() / 2.0;
    const double r  = std::min(cx, cy) - 1;
    c.circle(cx, cy, r, face);
    for (int deg = 0; deg < 360; deg += 30) {
        const double a = deg * std::numbers::pi / 180;
        c.line(cx + 0.78 * r * std::sin(a), cy - 0.78 * r * std::cos(a),
               cx + 0.95 * r * std::sin(a), cy - 0.95 * r * std::cos(a), 2, ticks);
    }
}

void needle(Canvas& c, Rgb bar, Rgb hub) {
    const int h = c.height();
    const int t = std::max(2, h / 4);
    c.rect(0, (h - t) / 2, c.width(), t, bar);
    c.circle(h / 2.0, h / 2.0, h / 2.0 - 1, hub);
}

void marker(Canvas& c, Rgb colour) {
    const int w = std::min(12, c.width() / 6);
    c.rect(c.width() - w, 0, w, c.height(), colour);
}

void knob(Canvas& c, Rgb body, Rgb grip) {
    const double m = c.width() / 2.0;
    c.circle(m, m, m - 3, body);
    c.line(m, m, m, 4, 3, grip);
}

void knob_base(Canvas& c, Rgb rim, Rgb body) {
    const double m = c.width() / 2.0;
    c.circle(m, m, m - 0.5, rim);
    c.circle(m, m, m - 4, body);
}

void lamp(Canvas& c, Rgb lens, Rgb bezel) {
    c.fill(bezel);
    c.rect(3, 3, c.width() - 6, c.height() - 6, lens);
}

void window(Canvas& c, Rgb bezel) {
    c.frame(0, 0, c.width(), c.height(), 1, bezel);
}

// A seven-segment digit in the box (x, y, w, h).
void digit(Canvas& c, int x, int y, int w, int h, int value, Rgb colour) {
    static constexpr std::array<uint8_t, 10> segments = {
        0b0111111, 0b0000110, 0b1011011, 0b1001111, 0b1100110,
        0b1101101, 0b1111101, 0b0000111, 0b1111111, 0b1101111,
    };  // bit 0..6 = top, upper right, lower right, bottom, lower left, upper left, middle
    const int t     = 2;
    const int mid   = h / 2;
    const uint8_t s = segments[value];
    if (s & 0x01) c.rect(x, y, w, t, colour);
    if (s & 0x02) c.rect(x + w - t, y, t, mid + 1, colour);
    if (s & 0x04) c.rect(x + w - t, y + mid, t, h - mid, colour);
    if (s & 0x08) c.rect(x, y + h - t, w, t, colour);
    if (s & 0x10) c.rect(x, y + mid, t, h - mid, colour);
    if (s & 0x20) c.rect(x, y, t, mid + 1, colour);
    if (s & 0x40) c.rect(x, y + mid - t / 2, w, t, colour);
}

// Eleven 21-pixel cells reading 0, 9, 8 ... 1, 0 from the top.
void epr_strip(Canvas& c, Rgb cell_a, Rgb cell_b, Rgb ink) {
    for (int cell = 0; cell < 11; ++cell) {
        c.rect(0, cell * 21, c.width(), 21, cell % 2 ? cell_b : cell_a);
        digit(c, 3, cell * 21 + 4, 8, 13, (10 - cell) % 10, ink);
    }
}

// Ten 20-pixel cells reading 0 .. 9 from the top; a hatched top cell when `blank_top`.
void alerter_strip(Canvas& c, Rgb cell_a, Rgb cell_b, Rgb ink, bool blank_top) {
    for (int cell = 0; cell < 10; ++cell) {
        c.rect(0, cell * 20, c.width(), 20, cell % 2 ? cell_b : cell_a);
        if (cell > 0 || !blank_top) digit(c, 3, cell * 20 + 3, 9, 14, cell, ink);
    }
    if (blank_top) {
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < c.width(); ++x) {
                if ((x + y) % 6 < 2) c.set(x, y, ink);
            }
        }
    }
}

void sign_lever(Canvas& c, bool up) {
    c.rect(4, 18, 12, 12, Rgb{110, 110, 120});
    const double tip = up ? 6 : 42;
    c.line(10, 24, 10, tip, 4, Rgb{200, 200, 210});
    c.circle(10, tip, 5, up ? Rgb{90, 200, 90} : Rgb{200, 90, 90});
}

// One drawing function per bitmap.

void draw_black_square(Canvas& c) {
    c.fill(black);
}
void draw_sign_panel(Canvas& c) {
    c.fill(black);
}
void draw_sign_lever_up(Canvas& c) {
    sign_lever(c, true);
}
void draw_sign_lever_down(Canvas& c) {
    sign_lever(c, false);
}

void draw_vsi_dial(Canvas& c) {
    dial(c, Rgb{40, 40, 70}, Rgb{230, 230, 230});
}
void draw_vsi_pointer(Canvas& c) {
    needle(c, Rgb{240, 240, 240}, Rgb{120, 120, 120});
}

void draw_aspd_dial(Canvas& c) {
    dial(c, Rgb{50, 60, 50}, Rgb{220, 220, 200});
}

void draw_mach_ring(Canvas& c) {
    const double m = c.width() / 2.0;
    c.circle(m, m, m - 1, Rgb{200, 80, 40});
    c.circle(m, m, m - 22, black);
}

void draw_aspd_face(Canvas& c) {
    dial(c, Rgb{60, 50, 80}, Rgb{250, 250, 250});
    const double cx = c.width() / 2.0;
    const double cy = c.height() / 2.0;
    c.sector(cx, cy, std::min(cx, cy), 225, 315, black);  // window onto the Mach ring
}

void draw_airspeed_pointer(Canvas& c) {
    needle(c, Rgb{255, 255, 255}, Rgb{100, 100, 100});
}

void draw_command_marker(Canvas& c) {
    const int w = c.width();
    const int h = c.height();
    for (int i = 0; i < 14; ++i) {
        const int inset = (13 - i) * h / 28;  // a wedge pointing inwards, full height outside
        c.rect(w - 14 + i, inset, 1, h - 2 * inset, Rgb{255, 0, 255});
    }
}

void draw_speed_marker_2(Canvas& c) {
    marker(c, Rgb{255, 255, 255});
}

void draw_speed_marker_1_3(Canvas& c) {
    marker(c, Rgb{0, 200, 255});
    c.rect(c.width() - 24, 2, 8, c.height() - 4, Rgb{0, 200, 255});
}

void draw_tach_dial(Canvas& c) {
    dial(c, Rgb{30, 50, 60}, Rgb{240, 240, 200});
}
void draw_tach_main_pointer(Canvas& c) {
    needle(c, Rgb{250, 250, 250}, Rgb{90, 90, 90});
}
void draw_tach_units_pointer(Canvas& c) {
    needle(c, Rgb{250, 220, 60}, Rgb{90, 90, 60});
}

void draw_epr_dial(Canvas& c) {
    dial(c, Rgb{55, 40, 40}, Rgb{240, 240, 240});
}
void draw_epr_pointer(Canvas& c) {
    needle(c, Rgb{245, 245, 245}, Rgb{110, 100, 100});
}
void draw_epr_reference_marker(Canvas& c) {
    marker(c, Rgb{255, 140, 0});
}

void draw_epr_hundredths_strip(Canvas& c) {
    epr_strip(c, Rgb{20, 20, 30}, Rgb{40, 40, 60}, Rgb{255, 255, 255});
}
void draw_epr_tenths_strip(Canvas& c) {
    epr_strip(c, Rgb{20, 30, 20}, Rgb{40, 60, 40}, Rgb{255, 255, 255});
}
void draw_epr_ones_strip(Canvas& c) {
    epr_strip(c, Rgb{30, 20, 20}, Rgb{60, 40, 40}, Rgb{255, 255, 255});
}
void draw_epr_hundredths_window(Canvas& c) {
    window(c, Rgb{90, 90, 140});
}
void draw_epr_tenths_window(Canvas& c) {
    window(c, Rgb{90, 140, 90});
}
void draw_epr_ones_window(Canvas& c) {
    window(c, Rgb{140, 90, 90});
    c.rect(c.width() - 4, c.height() - 5, 2, 2, Rgb{255, 255, 255});  // decimal point
}
void draw_epr_knob_base(Canvas& c) {
    knob_base(c, Rgb{80, 80, 80}, Rgb{50, 50, 55});
}
void draw_epr_knob(Canvas& c) {
    knob(c, Rgb{70, 70, 75}, Rgb{230, 230, 230});
}

void draw_radalt_dial(Canvas& c) {
    dial(c, Rgb{35, 35, 45}, Rgb{235, 235, 235});
}

void draw_radalt_pointer_shield(Canvas& c) {
    const double m = c.width() / 2.0;
    c.sector(m, m, m - 1, 300, 350, Rgb{48, 48, 48});
    c.circle(m, m, m * 0.55, black);  // leaves a band over the rim of the scale
}

void draw_radalt_pointer(Canvas& c) {
    needle(c, Rgb{255, 255, 240}, Rgb{80, 80, 90});
}
void draw_decision_height_marker(Canvas& c) {
    marker(c, Rgb{255, 200, 0});
}
void draw_decision_height_knob(Canvas& c) {
    knob(c, Rgb{60, 60, 70}, Rgb{255, 200, 0});
}

void draw_radalt_warning_flag(Canvas& c) {
    c.fill(Rgb{220, 0, 0});
    c.frame(0, 0, c.width(), c.height(), 2, Rgb{255, 255, 255});
}

void draw_decision_height_light(Canvas& c) {
    lamp(c, Rgb{255, 176, 0}, Rgb{70, 70, 70});
}

void draw_alerter_face(Canvas& c) {
    c.fill(Rgb{45, 45, 50});
    c.frame(0, 0, c.width(), c.height(), 3, Rgb{120, 120, 130});
}

void draw_alerter_digit_strip(Canvas& c) {
    alerter_strip(c, Rgb{25, 25, 25}, Rgb{45, 45, 45}, Rgb{255, 255, 255}, false);
}
void draw_alerter_digit_window(Canvas& c) {
    window(c, Rgb{150, 150, 100});
}
void draw_alerter_lead_strip(Canvas& c) {
    alerter_strip(c, Rgb{25, 25, 35}, Rgb{45, 45, 60}, Rgb{255, 255, 255}, true);
}
void draw_alerter_lead_window(Canvas& c) {
    window(c, Rgb{100, 150, 150});
}
void draw_altitude_alert_light(Canvas& c) {
    lamp(c, Rgb{255, 150, 0}, Rgb{60, 60, 60});
}
void draw_alerter_knob_base(Canvas& c) {
    knob_base(c, Rgb{90, 90, 95}, Rgb{55, 55, 60});
}
void draw_alerter_knob(Canvas& c) {
    knob(c, Rgb{75, 75, 80}, Rgb{240, 240, 240});
}

using namespace bitmap;

// clang-format off
constexpr std::array<BitmapTableEntry, 42> table{{
    {.id = black_square,           .width =  28, .height =  28, .bits_per_pixel = 24, .draw = draw_black_square,           .role = "background of two invisible gauges, all black"},
    {.id = sign_panel,             .width =  96, .height =  51, .bits_per_pixel =  8, .draw = draw_sign_panel,             .role = "sign switch panel background, all black"},
    {.id = sign_lever_up,          .width =  20, .height =  48, .bits_per_pixel =  8, .draw = draw_sign_lever_up,          .role = "sign switch lever up"},
    {.id = sign_lever_down,        .width =  20, .height =  48, .bits_per_pixel =  8, .draw = draw_sign_lever_down,        .role = "sign switch lever down"},
    {.id = vsi_dial,               .width = 255, .height = 254, .bits_per_pixel =  8, .draw = draw_vsi_dial,               .role = "vertical speed dial"},
    {.id = vsi_pointer,            .width = 148, .height =  17, .bits_per_pixel =  8, .draw = draw_vsi_pointer,            .role = "vertical speed pointer"},
    {.id = aspd_dial,              .width = 230, .height = 232, .bits_per_pixel = 24, .draw = draw_aspd_dial,              .role = "airspeed dial background"},
    {.id = mach_ring,              .width = 178, .height = 178, .bits_per_pixel = 24, .draw = draw_mach_ring,              .role = "Mach scale ring"},
    {.id = aspd_face,              .width = 230, .height = 232, .bits_per_pixel =  8, .draw = draw_aspd_face,              .role = "airspeed face, window open along the 250-400 knot arc"},
    {.id = airspeed_pointer,       .width = 115, .height =  14, .bits_per_pixel = 24, .draw = draw_airspeed_pointer,       .role = "airspeed pointer"},
    {.id = command_marker,         .width =  95, .height =  26, .bits_per_pixel = 24, .draw = draw_command_marker,         .role = "airspeed command marker"},
    {.id = speed_marker_2,         .width = 109, .height =   9, .bits_per_pixel =  8, .draw = draw_speed_marker_2,         .role = "airspeed reference marker 2"},
    {.id = speed_marker_1_3,       .width = 109, .height =   9, .bits_per_pixel =  8, .draw = draw_speed_marker_1_3,       .role = "airspeed reference markers 1 and 3"},
    {.id = tach_dial,              .width = 176, .height = 176, .bits_per_pixel =  8, .draw = draw_tach_dial,              .role = "tachometer dial"},
    {.id = tach_main_pointer,      .width =  98, .height =  35, .bits_per_pixel = 24, .draw = draw_tach_main_pointer,      .role = "tachometer main pointer"},
    {.id = tach_units_pointer,     .width =  25, .height =   9, .bits_per_pixel = 24, .draw = draw_tach_units_pointer,     .role = "tachometer units pointer"},
    {.id = epr_dial,               .width = 169, .height = 169, .bits_per_pixel =  8, .draw = draw_epr_dial,               .role = "EPR dial"},
    {.id = epr_pointer,            .width = 113, .height =  11, .bits_per_pixel = 24, .draw = draw_epr_pointer,            .role = "EPR pointer"},
    {.id = epr_reference_marker,   .width =  84, .height =  11, .bits_per_pixel = 24, .draw = draw_epr_reference_marker,   .role = "EPR reference marker"},
    {.id = epr_hundredths_strip,   .width =  14, .height = 231, .bits_per_pixel =  8, .draw = draw_epr_hundredths_strip,   .role = "EPR hundredths drum strip"},
    {.id = epr_hundredths_window,  .width =  15, .height =  23, .bits_per_pixel =  8, .draw = draw_epr_hundredths_window,  .role = "EPR hundredths drum window"},
    {.id = epr_tenths_strip,       .width =  14, .height = 231, .bits_per_pixel =  8, .draw = draw_epr_tenths_strip,       .role = "EPR tenths drum strip"},
    {.id = epr_tenths_window,      .width =  15, .height =  23, .bits_per_pixel =  8, .draw = draw_epr_tenths_window,      .role = "EPR tenths drum window"},
    {.id = epr_ones_strip,         .width =  14, .height = 231, .bits_per_pixel =  8, .draw = draw_epr_ones_strip,         .role = "EPR ones drum strip"},
    {.id = epr_ones_window,        .width =  18, .height =  23, .bits_per_pixel =  8, .draw = draw_epr_ones_window,        .role = "EPR ones drum window with decimal point"},
    {.id = epr_knob_base,          .width =  41, .height =  41, .bits_per_pixel =  8, .draw = draw_epr_knob_base,          .role = "EPR knob base"},
    {.id = epr_knob,               .width =  41, .height =  41, .bits_per_pixel =  8, .draw = draw_epr_knob,               .role = "EPR knob"},
    {.id = radalt_dial,            .width = 259, .height = 259, .bits_per_pixel =  8, .draw = draw_radalt_dial,            .role = "radio altimeter dial"},
    {.id = radalt_pointer_shield,  .width = 259, .height = 259, .bits_per_pixel =  8, .draw = draw_radalt_pointer_shield,  .role = "radio altimeter pointer shield"},
    {.id = radalt_pointer,         .width =  93, .height =  34, .bits_per_pixel = 24, .draw = draw_radalt_pointer,         .role = "radio altitude pointer"},
    {.id = decision_height_marker, .width = 101, .height =  19, .bits_per_pixel =  8, .draw = draw_decision_height_marker, .role = "decision-height marker"},
    {.id = decision_height_knob,   .width =  41, .height =  41, .bits_per_pixel = 24, .draw = draw_decision_height_knob,   .role = "decision-height knob"},
    {.id = radalt_warning_flag,    .width =  20, .height =  55, .bits_per_pixel = 24, .draw = draw_radalt_warning_flag,    .role = "radio altimeter warning flag"},
    {.id = decision_height_light,  .width =  24, .height =  24, .bits_per_pixel =  8, .draw = draw_decision_height_light,  .role = "decision-height lamp"},
    {.id = alerter_face,           .width = 232, .height = 114, .bits_per_pixel =  8, .draw = draw_alerter_face,           .role = "altitude alerter face"},
    {.id = alerter_digit_strip,    .width =  15, .height = 200, .bits_per_pixel =  8, .draw = draw_alerter_digit_strip,    .role = "alerter digit strip"},
    {.id = alerter_digit_window,   .width =  16, .height =  19, .bits_per_pixel =  8, .draw = draw_alerter_digit_window,   .role = "alerter digit window"},
    {.id = alerter_lead_strip,     .width =  15, .height = 200, .bits_per_pixel =  8, .draw = draw_alerter_lead_strip,     .role = "alerter leading-digit strip"},
    {.id = alerter_lead_window,    .width =  16, .height =  19, .bits_per_pixel =  8, .draw = draw_alerter_lead_window,    .role = "alerter leading-digit window"},
    {.id = altitude_alert_light,   .width =  24, .height =  24, .bits_per_pixel =  8, .draw = draw_altitude_alert_light,   .role = "ALT alert lamp"},
    {.id = alerter_knob_base,      .width =  36, .height =  36, .bits_per_pixel =  8, .draw = draw_alerter_knob_base,      .role = "alerter knob base"},
    {.id = alerter_knob,           .width =  36, .height =  36, .bits_per_pixel =  8, .draw = draw_alerter_knob,           .role = "alerter knob"},
}};
// clang-format on

static_assert(table.size() == 42);

constexpr bool ids_unique() {
    for (size_t i = 0; i < table.size(); ++i) {
        for (size_t j = i + 1; j < table.size(); ++j) {
            if (table[i].id == table[j].id) return false;
        }
    }
    return true;
}
static_assert(ids_unique(), "two bitmaps share a resource id");

constexpr bool depths_valid() {
    return std::ranges::all_of(table, [](const BitmapTableEntry& s) {
        return (s.bits_per_pixel == 8 || s.bits_per_pixel == 24) && s.width > 0 && s.height > 0;
    });
}
static_assert(depths_valid(), "every bitmap is 8 or 24 bits deep and not empty");

}  // namespace

std::span<const BitmapTableEntry> bitmap_entries() {
    return table;
}

const BitmapTableEntry* find_bitmap(int32_t id) {
    const auto it = std::ranges::find(table, id, &BitmapTableEntry::id);
    return it == table.end() ? nullptr : &*it;
}

Canvas render(const BitmapTableEntry& bitmap_entry) {
    Canvas canvas(bitmap_entry.width, bitmap_entry.height);
    bitmap_entry.draw(canvas);
    return canvas;
}

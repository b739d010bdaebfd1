// The artwork of every bitmap, painted with Cairo, and the table that ties each
// to its id, size and depth. Dials take their marks from the gauges' own
// needle tables through the host's needle rule, so that a needle showing a
// table value points at that value's mark.
#include "resources/bitmap_table.h"

#include <cairo.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <stdexcept>
#include <string>

#include "gauges/engine/epr_scale.h"
#include "gauges/engine/tachometer_scale.h"
#include "gauges/flight/airspeed_scale.h"
#include "gauges/flight/altitude_alerter_face.h"
#include "gauges/flight/radio_altimeter_scale.h"
#include "gauges/flight/vertical_speed_scale.h"
#include "hostmodel/needle_geometry.h"
#include "resources/art.h"
#include "resources/bitmap_ids.h"

Canvas::Canvas(int width, int height)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height, black) {}

namespace {

using namespace art;
using host::NeedleRow;
using host::PixelPoint;

// ------------------------------------------------------------------ scales

// The direction (degrees clockwise from +x) in which the host turns a needle
// on `pivot` for `value` by `rows`.
double angle_for(PixelPoint pivot, std::span<const NeedleRow> rows, double value) {
    return hostmodel::needle::target_angle(pivot, rows, value, 0);
}

// Ticks from `from` to `to` every `step`, where the host's needle points.
void scale_ticks(cairo_t* cr, PixelPoint pivot, std::span<const NeedleRow> rows, double from,
                 double to, double step, Ring ring, double width_px, Rgb colour) {
    for (double v = from; v <= to + step / 1000; v += step) {
        tick(cr, centre_of(pivot), angle_for(pivot, rows, v), ring, width_px, colour);
    }
}

struct Numeral {
    double value;
    const char* text;
};

void scale_numerals(cairo_t* cr, PixelPoint pivot, std::span<const NeedleRow> rows,
                    std::span<const Numeral> numerals, double radius_px, double size_px) {
    for (const Numeral& n : numerals) {
        const Point at = polar(centre_of(pivot), angle_for(pivot, rows, n.value), radius_px);
        text(cr, at, n.text, size_px, paint::marking, Weight::bold);
    }
}

// ------------------------------------------------------ vertical speed

namespace vsi_art {
using gauges::vsi::pointer_position;
const auto& rows = gauges::vsi::vertical_speed_scale;

constexpr Ring major{.inner_px = 109, .outer_px = 121};  // clear of the pointer's tip at 100
constexpr Ring minor{.inner_px = 114, .outer_px = 121};
constexpr double numeral_radius_px = 94;

void dial(cairo_t* cr) {
    const Point c = centre_of(pointer_position);
    disc(cr, c, 126, paint::bezel);
    disc(cr, c, 123, paint::face);
    scale_ticks(cr, pointer_position, rows, -1000, 1000, 100, minor, 1.4, paint::marking);
    scale_ticks(cr, pointer_position, rows, -6000, -1000, 500, minor, 1.4, paint::marking);
    scale_ticks(cr, pointer_position, rows, 1000, 6000, 500, minor, 1.4, paint::marking);
    for (const NeedleRow& row : rows) {
        tick(cr, c, angle_for(pointer_position, rows, row.value), major, 2.6, paint::marking);
    }
    static constexpr std::array<Numeral, 11> numerals{{
        {-6000, "6"},
        {-4000, "4"},
        {-2000, "2"},
        {-1000, "1"},
        {-500, ".5"},
        {0, "0"},
        {500, ".5"},
        {1000, "1"},
        {2000, "2"},
        {4000, "4"},
        {6000, "6"},
    }};
    scale_numerals(cr, pointer_position, rows, numerals, numeral_radius_px, 17);
    text(cr, {c.x - 42, c.y - 26}, "UP", 10, paint::marking, Weight::bold);
    text(cr, {c.x - 42, c.y + 26}, "DN", 10, paint::marking, Weight::bold);
    text(cr, {c.x + 40, c.y - 24}, "VERTICAL SPEED", 8, paint::marking, Weight::normal);
    text(cr, {c.x + 40, c.y + 24}, "\u00d71000 FT/MIN", 8, paint::marking, Weight::normal);
}

void pointer(cairo_t* cr) {
    needle_bar(cr, {46.5, 8.5}, 14, 148, 4.4, 3.6, paint::needle);
    hub(cr, {46.5, 8.5}, 7);
}
}  // namespace vsi_art

// ------------------------------------------------------------- airspeed

namespace aspd_art {
using gauges::aspd::dial_centre;
const auto& rows = gauges::aspd::speed_scale;

constexpr double face_radius_px = 110;
constexpr Ring major{.inner_px = 85, .outer_px = 104};
constexpr Ring minor{.inner_px = 95, .outer_px = 104};
constexpr double numeral_radius_px = 73;
constexpr Ring mach_window{.inner_px = 36, .outer_px = 61};  // where the ring shows through
constexpr double mach_window_from_kt = 250;
constexpr double mach_window_to_kt   = 400;

void background(cairo_t* cr) {
    const Point c = centre_of(dial_centre);
    disc(cr, c, 114, paint::bezel);
    disc(cr, c, face_radius_px, paint::face);
}

// Indicated airspeed (kt) at Mach `mach` and pressure altitude `altitude_ft`
// in the standard atmosphere.
double indicated_kt(double mach, double altitude_ft) {
    constexpr double sea_level_sound_kt = 661.47;
    const double tropopause_ft          = 36089;
    const double pressure_ratio         = altitude_ft <= tropopause_ft
                                              ? std::pow(1 - 6.87559e-6 * altitude_ft, 5.2559)
                                              : 0.22336 * std::exp(-(altitude_ft - tropopause_ft) / 20806);
    const double impact = pressure_ratio * (std::pow(1 + 0.2 * mach * mach, 3.5) - 1);
    return sea_level_sound_kt * std::sqrt(5 * (std::pow(impact + 1, 2 / 7.0) - 1));
}

// The ring's own angle for a Mach mark: where it must stand on the ring so
// that, turned as the ring table turns it, it lies on the knots scale at the
// indicated airspeed of that Mach number; averaged over the table's altitudes
// at which the mark shows in the window. NaN when it never shows there.
double mach_mark_angle(double mach) {
    const auto& ring_rows = gauges::aspd::mach_scale;
    double sin_sum = 0, cos_sum = 0;
    int count = 0;
    for (const NeedleRow& row : ring_rows) {
        const double kt = indicated_kt(mach, row.value);
        if (kt < mach_window_from_kt || kt > mach_window_to_kt) continue;
        const double ring_turn = angle_for(dial_centre, ring_rows, row.value);
        const double on_ring   = (angle_for(dial_centre, rows, kt) - ring_turn) * deg;
        sin_sum += std::sin(on_ring);
        cos_sum += std::cos(on_ring);
        ++count;
    }
    return count == 0 ? std::nan("") : std::atan2(sin_sum, cos_sum) / deg;
}

void mach_ring(cairo_t* cr) {
    const Point c = {89.5, 89.5};
    annulus(cr, c, mach_window.inner_px - 3, mach_window.outer_px + 3, paint::face);
    for (int hundredths = 40; hundredths <= 95; hundredths += 5) {
        const double a = mach_mark_angle(hundredths / 100.0);
        if (std::isnan(a)) continue;
        const bool labelled = hundredths % 10 == 0;
        tick(cr, c, a, {.inner_px = labelled ? 51.0 : 55.0, .outer_px = 61}, 1.4, paint::marking);
        if (labelled) {
            char label[8];
            std::snprintf(label, sizeof label, ".%d", hundredths / 10);
            text(cr, polar(c, a, 44), label, 9, paint::marking, Weight::bold);
        }
    }
}

void face(cairo_t* cr) {
    const Point c = centre_of(dial_centre);
    disc(cr, c, face_radius_px, paint::face);
    scale_ticks(cr, dial_centre, rows, 60, 250, 10, minor, 1.3, paint::marking);
    scale_ticks(cr, dial_centre, rows, 250, 400, 10, minor, 1.3, paint::marking);
    scale_ticks(cr, dial_centre, rows, 60, 200, 20, major, 2.4, paint::marking);
    scale_ticks(cr, dial_centre, rows, 250, 400, 50, major, 2.4, paint::marking);
    for (const NeedleRow& row : rows) {
        if (row.value >= 60)
            tick(cr, c, angle_for(dial_centre, rows, row.value), major, 2.4, paint::marking);
    }
    static constexpr std::array<Numeral, 12> numerals{{
        {60, "60"},
        {80, "80"},
        {100, "100"},
        {120, "120"},
        {140, "140"},
        {160, "160"},
        {180, "180"},
        {200, "200"},
        {250, "250"},
        {300, "300"},
        {350, "350"},
        {400, "400"},
    }};
    scale_numerals(cr, dial_centre, rows, numerals, numeral_radius_px, 12);
    text(cr, {c.x + 18, c.y + 30}, "KNOTS", 10, paint::marking, Weight::bold);
    text(cr, {c.x + 18, c.y - 30}, "AIRSPEED", 8, paint::marking, Weight::normal);
    text(cr, polar(c, 200, 24), "MACH", 7, paint::marking, Weight::bold);
    // The window onto the Mach ring, edged like a cut in the face.
    const double from = angle_for(dial_centre, rows, mach_window_from_kt);
    const double to   = angle_for(dial_centre, rows, mach_window_to_kt);
    sector(cr, c, mach_window, from, to, paint::bezel);
    sector(cr, c, {mach_window.inner_px + 1, mach_window.outer_px - 1}, from + 0.8, to - 0.8,
           black);
}

void pointer(cairo_t* cr) {
    needle_bar(cr, {32.5, 6.5}, 8, 115, 3.4, 1.6, paint::needle);
    hub(cr, {32.5, 6.5}, 6);
}

// A notched bug at the rim: the host's speed reference.
void command_marker(cairo_t* cr) {
    bug(cr, {0.5, 13.5}, 84, 95, 11, paint::command);
}

void reference_marker(cairo_t* cr, Rgb colour) {
    bug(cr, {0.5, 4.5}, 100, 109, 4, colour);
}
void reference_marker_2(cairo_t* cr) {
    reference_marker(cr, paint::needle);
}
void reference_markers_1_3(cairo_t* cr) {
    reference_marker(cr, paint::reference);
}
}  // namespace aspd_art

// ----------------------------------------------------------- tachometer

namespace tach_art {
using gauges::tach::main_pointer_position;
using gauges::tach::units_pointer_position;
const auto& main_rows  = gauges::tach::n1_main_rows;
const auto& units_rows = gauges::tach::units_rows;

constexpr Ring major{.inner_px = 63, .outer_px = 77};
constexpr Ring minor{.inner_px = 70, .outer_px = 77};
constexpr Ring red_line{.inner_px = 58, .outer_px = 80};
constexpr Ring units_ticks{.inner_px = 10.5, .outer_px = 13.5};
constexpr double limit_pct = 105;  // the table's last row: the red line

// The units sub-dial goes once round per 10 percent, clockwise: its digits
// stand evenly from the 0 row, except that the rows at 0 and 5 are where the
// needle turns for them.
double units_angle(double units) {
    const double zero = angle_for(units_pointer_position, units_rows, 0);
    return zero + units * 36;
}

void dial(cairo_t* cr) {
    const Point c = centre_of(main_pointer_position);
    disc(cr, {88, 88}, 87, paint::bezel);
    disc(cr, {88, 88}, 84, paint::face);
    scale_ticks(cr, main_pointer_position, main_rows, 0, 100, 5, minor, 1.3, paint::marking);
    scale_ticks(cr, main_pointer_position, main_rows, 0, 100, 10, major, 2.6, paint::marking);
    tick(cr, c, angle_for(main_pointer_position, main_rows, limit_pct), red_line, 3.5,
         paint::limit);
    static constexpr std::array<Numeral, 11> numerals{{
        {0, "0"},
        {10, "10"},
        {20, "20"},
        {30, "30"},
        {40, "40"},
        {50, "50"},
        {60, "60"},
        {70, "70"},
        {80, "80"},
        {90, "90"},
        {100, "100"},
    }};
    scale_numerals(cr, main_pointer_position, main_rows, numerals, 51, 12);
    text(cr, {c.x, c.y + 30}, "% RPM", 9, paint::marking, Weight::bold);

    const Point u = centre_of(units_pointer_position);
    disc(cr, u, 21, paint::bezel);
    disc(cr, u, 20, paint::face);
    for (int digit = 0; digit < 10; ++digit) {
        tick(cr, u, units_angle(digit), units_ticks, 1.2, paint::marking);
        const char label[2] = {static_cast<char>('0' + digit), 0};
        text(cr, polar(u, units_angle(digit), 16.5), label, 6.5, paint::marking, Weight::bold);
    }
}

void main_pointer(cairo_t* cr) {
    needle_bar(cr, {16.5, 17.5}, 2, 98, 5, 2, paint::needle);
    hub(cr, {16.5, 17.5}, 9);
}

void units_pointer(cairo_t* cr) {
    needle_bar(cr, {10.5, 4.5}, 3, 25, 2.4, 1.2, paint::needle);
    hub(cr, {10.5, 4.5}, 3.5);
}
}  // namespace tach_art

// ------------------------------------------------------------------ EPR

namespace epr_art {
using gauges::epr_dial::dial_centre;
const auto& rows = gauges::epr_dial::dial_rows;

constexpr Ring major{.inner_px = 66, .outer_px = 78};
constexpr Ring minor{.inner_px = 72, .outer_px = 78};
constexpr double numeral_radius_px  = 59;
constexpr int drum_window_height_px = 23;

// The scale is numbered from .8, a step before the table's first row: the
// mark stands one row step back from the 0.90 row.
double angle_of(double hundredths) {
    if (hundredths >= rows.front().value) return angle_for(dial_centre, rows, hundredths);
    const double first = angle_for(dial_centre, rows, rows[0].value);
    const double step =
        hostmodel::needle::wrap(angle_for(dial_centre, rows, rows[1].value) - first);
    return first + step * (hundredths - rows[0].value) / (rows[1].value - rows[0].value);
}

void dial(cairo_t* cr) {
    const Point c = centre_of(dial_centre);
    disc(cr, {84.5, 84.5}, 84, paint::bezel);
    disc(cr, {84.5, 84.5}, 81, paint::face);
    for (int v = 80; v <= 250; v += 5) {
        tick(cr, c, angle_of(v), v % 10 == 0 ? major : minor, v % 10 == 0 ? 2.4 : 1.2,
             paint::marking);
    }
    for (int v = 80; v <= 240; v += 20) {
        char label[8];
        if (v < 100) {
            std::snprintf(label, sizeof label, ".%d", v / 10);
        } else {
            std::snprintf(label, sizeof label, "%d.%d", v / 100, v / 10 % 10);
        }
        text(cr, polar(c, angle_of(v), numeral_radius_px), label, 10, paint::marking, Weight::bold);
    }
    text(cr, {c.x, c.y - 28}, "EPR", 14, paint::marking, Weight::bold);
    // The cut-out behind which the three drums turn.
    const double left  = gauges::epr_dial::ones_drum_position.x - 3;
    const double right = gauges::epr_dial::hundredths_drum_position.x + 15 + 3;
    const double top   = gauges::epr_dial::ones_drum_position.y - 3;
    rectangle(cr, {left, top}, right - left, drum_window_height_px + 6, paint::bezel);
    rectangle(cr, {left + 2, top + 2}, right - left - 4, drum_window_height_px + 2, paint::drum);
}

void pointer(cairo_t* cr) {
    needle_bar(cr, {29.5, 5.5}, 12, 113, 3.4, 1.6, paint::needle);
    hub(cr, {29.5, 5.5}, 5);
}

void reference_marker(cairo_t* cr) {
    bug(cr, {0.5, 5.5}, 72, 84, 5, paint::reference);
}
}  // namespace epr_art

// --------------------------------------------------------- radio altimeter

namespace radalt_art {
using gauges::radalt::dial_centre;
const auto& rows = gauges::radalt::height_scale;

// Every table value is this many feet above the mark its point names.
constexpr double mark_offset_ft = 6;
constexpr Ring major{.inner_px = 80, .outer_px = 98};
constexpr Ring minor{.inner_px = 89, .outer_px = 98};
constexpr double numeral_radius_px = 66;

double angle_of_mark(double feet) {
    return angle_for(dial_centre, rows, feet + mark_offset_ft);
}

void dial(cairo_t* cr) {
    // A square case: the decision-height lamp and knob sit in its corners.
    rectangle(cr, {0, 0}, 259, 259, paint::case_grey);
    const Point c = centre_of(dial_centre);
    disc(cr, {129.5, 129.5}, 126, paint::bezel);
    disc(cr, {129.5, 129.5}, 122, paint::face);
    for (const Point screw : {Point{241, 18}, Point{18, 241}}) disc(cr, screw, 6, paint::bezel);
    struct Band {
        int from_ft, to_ft, minor_ft, major_ft;
    };
    for (const Band b :
         {Band{0, 500, 20, 100}, Band{500, 1000, 50, 100}, Band{1000, 2500, 100, 500}}) {
        for (int ft = b.from_ft; ft <= b.to_ft; ft += b.minor_ft) {
            const bool is_major = ft % b.major_ft == 0;
            tick(cr, c, angle_of_mark(ft), is_major ? major : minor, is_major ? 2.6 : 1.3,
                 paint::marking);
        }
    }
    static constexpr std::array<Numeral, 10> numerals{{
        {0, "0"},
        {100, "1"},
        {200, "2"},
        {300, "3"},
        {400, "4"},
        {500, "5"},
        {1000, "10"},
        {1500, "15"},
        {2000, "20"},
        {2500, "25"},
    }};
    for (const Numeral& n : numerals) {
        text(cr, polar(c, angle_of_mark(n.value), numeral_radius_px), n.text, 16, paint::marking,
             Weight::bold);
    }
    text(cr, {c.x, c.y + 30}, "RADIO ALT", 9, paint::marking, Weight::bold);
    text(cr, {c.x, c.y + 42}, "FEET \u00d7100", 8, paint::marking, Weight::normal);
    // The lamp's socket and the knob's collar.
    disc(cr, {30, 31}, 14, paint::bezel);
    disc(cr, {30, 31}, 12, paint::face);
    disc(cr, {223.5, 225.5}, 24, paint::bezel);
    text(cr, {196, 250}, "DH", 8, paint::marking, Weight::bold);
}

// Over the short arc from 2500 back to 0, where both needles rest unseen.
void pointer_shield(cairo_t* cr) {
    const Point c = centre_of(dial_centre);
    sector(cr, c, {.inner_px = 22, .outer_px = 104}, angle_of_mark(2500) + 3, angle_of_mark(0) - 7,
           paint::shield);
}

void pointer(cairo_t* cr) {
    needle_bar(cr, {13.5, 16.5}, 2, 93, 4.4, 1.8, paint::needle);
    hub(cr, {13.5, 16.5}, 10);
}

void decision_height_marker(cairo_t* cr) {
    bug(cr, {0.5, 9.5}, 89, 101, 8, paint::command);
}

void decision_height_knob(cairo_t* cr) {
    knob(cr, {21.5, 21.5}, 18, paint::knob);
}

void warning_flag(cairo_t* cr) {
    rectangle(cr, {0, 0}, 20, 55, paint::flag_red);
    rectangle(cr, {1, 1}, 18, 53, paint::flag_red_dark);
    rectangle(cr, {2, 2}, 16, 51, paint::flag_red);
    text(cr, {10, 15}, "R", 12, paint::marking, Weight::bold);
    text(cr, {10, 30}, "A", 12, paint::marking, Weight::bold);
    for (double y : {41.0, 47.0}) rectangle(cr, {3, y}, 14, 3, paint::marking);
}

void decision_height_light(cairo_t* cr) {
    lamp(cr, 24, "DH");
}
}  // namespace radalt_art

// ------------------------------------------------------------ drum counters

namespace drum_art {

// Eleven 21-pixel cells reading 0, 9, 8, ..., 1, 0 from the top.
constexpr int epr_cell_px    = 21;
constexpr int epr_cell_count = 11;
// Ten 20-pixel cells reading 0 to 9 from the top.
constexpr int alerter_cell_px    = 20;
constexpr int alerter_cell_count = 10;

void digit_cell(cairo_t* cr, int width_px, double top_px, int cell_px, int digit) {
    const char label[2] = {static_cast<char>('0' + digit), 0};
    text(cr, {width_px / 2.0, top_px + cell_px / 2.0}, label, 15, paint::marking, Weight::bold);
}

void epr_strip(cairo_t* cr) {
    rectangle(cr, {0, 0}, 14, epr_cell_px * epr_cell_count, paint::drum);
    for (int cell = 0; cell < epr_cell_count; ++cell) {
        digit_cell(cr, 14, cell * epr_cell_px, epr_cell_px, (epr_cell_count - 1 - cell) % 10);
    }
}

void alerter_strip(cairo_t* cr, bool hatched_top) {
    rectangle(cr, {0, 0}, 15, alerter_cell_px * alerter_cell_count, paint::drum);
    for (int cell = hatched_top ? 1 : 0; cell < alerter_cell_count; ++cell) {
        digit_cell(cr, 15, cell * alerter_cell_px, alerter_cell_px, cell);
    }
    if (hatched_top) hatch(cr, {0, 0}, 15, alerter_cell_px, paint::hatch);
}
void alerter_digit_strip(cairo_t* cr) {
    alerter_strip(cr, false);
}
void alerter_lead_strip(cairo_t* cr) {
    alerter_strip(cr, true);
}

// A window: a one-pixel frame, clear inside.
void window(cairo_t* cr) {
    const Point size = surface_size(cr);
    frame(cr, size.x, size.y, paint::window_frame);
}

// The ones window carries the decimal point at its lower right.
void epr_ones_window(cairo_t* cr) {
    window(cr);
    disc(cr, {15.5, 19}, 1.5, paint::marking);
}
}  // namespace drum_art

// ------------------------------------------------------- altitude alerter

namespace alerter_art {
namespace face_layout     = gauges::alerter_face;
constexpr int window_w_px = 16;
constexpr int window_h_px = 19;
constexpr int drum_pitch  = face_layout::thousands_x - face_layout::ten_thousands_x;

void face(cairo_t* cr) {
    rectangle(cr, {0, 0}, 232, 114, paint::case_grey);
    rounded_rectangle(cr, {3, 3}, 226, 108, 6, paint::plate);
    text(cr, {130, 20}, "ALTITUDE ALERT", 11, paint::marking, Weight::bold);
    // The lamp's socket.
    const Point lamp_centre = {face_layout::light_position.x + 12.0,
                               face_layout::light_position.y + 12.0};
    disc(cr, lamp_centre, 17, paint::bezel);
    disc(cr, lamp_centre, 13, paint::face);
    // The counter: three drum windows and two painted zeros.
    const double left  = face_layout::ten_thousands_x - 4;
    const double right = face_layout::hundreds_x + 3 * drum_pitch + 4;
    const double top   = face_layout::drum_row_y - 4;
    rectangle(cr, {left, top}, right - left, window_h_px + 8, paint::bezel);
    rectangle(cr, {left + 2, top + 2}, right - left - 4, window_h_px + 4, paint::drum);
    for (int i = 1; i <= 2; ++i) {
        const double x = face_layout::hundreds_x + i * drum_pitch;
        frame_at(cr, {x, static_cast<double>(face_layout::drum_row_y)}, window_w_px, window_h_px,
                 paint::window_frame);
        text(cr, {x + 7.5, face_layout::drum_row_y + window_h_px / 2.0}, "0", 15, paint::marking,
             Weight::bold);
    }
    text(cr, {right + 10, face_layout::drum_row_y + window_h_px / 2.0}, "FT", 8, paint::marking,
         Weight::bold);
    // The setting knob under its two click areas, lower at left and raise at right.
    knob(cr, {184, 88}, 21, paint::knob);
    text(cr, {152, 100}, "\u2212", 14, paint::marking, Weight::bold);
    text(cr, {216, 100}, "+", 14, paint::marking, Weight::bold);
    text(cr, {70, 92}, "SELECTED ALTITUDE", 7, paint::marking, Weight::normal);
}

void alert_light(cairo_t* cr) {
    lamp(cr, 24, "ALT");
}
}  // namespace alerter_art

// ---------------------------------------------------------------- knobs

void paint_epr_knob_base(cairo_t* cr) {
    knob_base(cr, {20.5, 20.5}, 20);
}
void paint_epr_knob(cairo_t* cr) {
    knob(cr, {21.5, 21.5}, 15, paint::knob);
}
void paint_alerter_knob_base(cairo_t* cr) {
    knob_base(cr, {18, 18}, 17.5);
}
void paint_alerter_knob(cairo_t* cr) {
    knob(cr, {18.5, 18.5}, 13, paint::knob);
}

// --------------------------------------------------------- sign switches

void sign_lever(cairo_t* cr, bool up) {
    const Point bushing = {10, 24};
    disc(cr, bushing, 7, paint::bezel);
    disc(cr, bushing, 5, paint::chrome_dark);
    const Point tip = {10, up ? 6.0 : 42.0};
    line(cr, bushing, tip, 4, paint::chrome);
    disc(cr, tip, 3.5, paint::chrome);
}
void paint_sign_lever_up(cairo_t* cr) {
    sign_lever(cr, true);
}
void paint_sign_lever_down(cairo_t* cr) {
    sign_lever(cr, false);
}

// All black: the host sees through every pixel.
void nothing(cairo_t*) {}

// ----------------------------------------------------------------- table

using namespace bitmap;
using Shape = VisibleArt::Shape;

constexpr VisibleArt none{.shape = Shape::nothing};
constexpr VisibleArt all{.shape = Shape::everything};
constexpr VisibleArt window_frame{.shape = Shape::frame};
constexpr VisibleArt disc_art(int inset_px) {
    return {.shape = Shape::disc, .inset_px = inset_px};
}
constexpr VisibleArt ring_art(int inner_px, int inset_px) {
    return {.shape = Shape::ring, .inset_px = inset_px, .inner_px = inner_px};
}
constexpr VisibleArt needle_art(int from_px, int inset_px) {
    return {.shape = Shape::axis, .inset_px = inset_px, .inner_px = from_px};
}
constexpr VisibleArt unchecked{};

// clang-format off
constexpr std::array<BitmapTableEntry, 42> table{{
    {.id = black_square,           .width =  28, .height =  28, .bits_per_pixel = 24, .paint = nothing,                             .role = "background of two invisible gauges, all black", .visible = none},
    {.id = sign_panel,             .width =  96, .height =  51, .bits_per_pixel =  8, .paint = nothing,                             .role = "sign switch panel background, all black",       .visible = none},
    {.id = sign_lever_up,          .width =  20, .height =  48, .bits_per_pixel =  8, .paint = paint_sign_lever_up,                       .role = "sign switch lever up",                          .visible = disc_art(4)},
    {.id = sign_lever_down,        .width =  20, .height =  48, .bits_per_pixel =  8, .paint = paint_sign_lever_down,                     .role = "sign switch lever down",                        .visible = disc_art(4)},
    {.id = vsi_dial,               .width = 255, .height = 254, .bits_per_pixel =  8, .paint = vsi_art::dial,                       .role = "vertical speed dial",                           .visible = disc_art(3)},
    {.id = vsi_pointer,            .width = 148, .height =  17, .bits_per_pixel =  8, .paint = vsi_art::pointer,                    .role = "vertical speed pointer",                        .visible = needle_art(46, 1),  .pivot = {46, 8}},
    {.id = aspd_dial,              .width = 230, .height = 232, .bits_per_pixel = 24, .paint = aspd_art::background,                .role = "airspeed dial background",                      .visible = disc_art(3)},
    {.id = mach_ring,              .width = 178, .height = 178, .bits_per_pixel = 24, .paint = aspd_art::mach_ring,                 .role = "Mach scale ring",                               .visible = ring_art(36, 27),   .pivot = {89, 89}},
    {.id = aspd_face,              .width = 230, .height = 232, .bits_per_pixel =  8, .paint = aspd_art::face,                      .role = "airspeed face, window open along the 250-400 knot arc", .visible = ring_art(66, 7)},
    {.id = airspeed_pointer,       .width = 115, .height =  14, .bits_per_pixel = 24, .paint = aspd_art::pointer,                   .role = "airspeed pointer",                              .visible = needle_art(32, 1),  .pivot = {32, 6}},
    {.id = command_marker,         .width =  95, .height =  26, .bits_per_pixel = 24, .paint = aspd_art::command_marker,            .role = "airspeed command marker",                       .visible = needle_art(86, 1),  .pivot = {0, 13}},
    {.id = speed_marker_2,         .width = 109, .height =   9, .bits_per_pixel =  8, .paint = aspd_art::reference_marker_2,        .role = "airspeed reference marker 2",                   .visible = needle_art(102, 1), .pivot = {0, 4}},
    {.id = speed_marker_1_3,       .width = 109, .height =   9, .bits_per_pixel =  8, .paint = aspd_art::reference_markers_1_3,     .role = "airspeed reference markers 1 and 3",            .visible = needle_art(102, 1), .pivot = {0, 4}},
    {.id = tach_dial,              .width = 176, .height = 176, .bits_per_pixel =  8, .paint = tach_art::dial,                      .role = "tachometer dial",                               .visible = disc_art(3)},
    {.id = tach_main_pointer,      .width =  98, .height =  35, .bits_per_pixel = 24, .paint = tach_art::main_pointer,              .role = "tachometer main pointer",                       .visible = needle_art(16, 1),  .pivot = {16, 17}},
    {.id = tach_units_pointer,     .width =  25, .height =   9, .bits_per_pixel = 24, .paint = tach_art::units_pointer,             .role = "tachometer units pointer",                      .visible = needle_art(10, 1),  .pivot = {10, 4}},
    {.id = epr_dial,               .width = 169, .height = 169, .bits_per_pixel =  8, .paint = epr_art::dial,                       .role = "EPR dial",                                      .visible = disc_art(3)},
    {.id = epr_pointer,            .width = 113, .height =  11, .bits_per_pixel = 24, .paint = epr_art::pointer,                    .role = "EPR pointer",                                   .visible = needle_art(29, 1),  .pivot = {29, 5}},
    {.id = epr_reference_marker,   .width =  84, .height =  11, .bits_per_pixel = 24, .paint = epr_art::reference_marker,           .role = "EPR reference marker",                          .visible = needle_art(74, 1),  .pivot = {0, 5}},
    {.id = epr_hundredths_strip,   .width =  14, .height = 231, .bits_per_pixel =  8, .paint = drum_art::epr_strip,                 .role = "EPR hundredths drum strip",                     .visible = all},
    {.id = epr_hundredths_window,  .width =  15, .height =  23, .bits_per_pixel =  8, .paint = drum_art::window,                    .role = "EPR hundredths drum window",                    .visible = window_frame},
    {.id = epr_tenths_strip,       .width =  14, .height = 231, .bits_per_pixel =  8, .paint = drum_art::epr_strip,                 .role = "EPR tenths drum strip",                         .visible = all},
    {.id = epr_tenths_window,      .width =  15, .height =  23, .bits_per_pixel =  8, .paint = drum_art::window,                    .role = "EPR tenths drum window",                        .visible = window_frame},
    {.id = epr_ones_strip,         .width =  14, .height = 231, .bits_per_pixel =  8, .paint = drum_art::epr_strip,                 .role = "EPR ones drum strip",                           .visible = all},
    {.id = epr_ones_window,        .width =  18, .height =  23, .bits_per_pixel =  8, .paint = drum_art::epr_ones_window,           .role = "EPR ones drum window with decimal point",       .visible = window_frame},
    {.id = epr_knob_base,          .width =  41, .height =  41, .bits_per_pixel =  8, .paint = paint_epr_knob_base,                       .role = "EPR knob base",                                 .visible = disc_art(2)},
    {.id = epr_knob,               .width =  41, .height =  41, .bits_per_pixel =  8, .paint = paint_epr_knob,                            .role = "EPR knob",                                      .visible = disc_art(10),        .pivot = {21, 21}},
    {.id = radalt_dial,            .width = 259, .height = 259, .bits_per_pixel =  8, .paint = radalt_art::dial,                    .role = "radio altimeter dial",                          .visible = all},
    {.id = radalt_pointer_shield,  .width = 259, .height = 259, .bits_per_pixel =  8, .paint = radalt_art::pointer_shield,          .role = "radio altimeter pointer shield",                .visible = unchecked},
    {.id = radalt_pointer,         .width =  93, .height =  34, .bits_per_pixel = 24, .paint = radalt_art::pointer,                 .role = "radio altitude pointer",                        .visible = needle_art(13, 1),  .pivot = {13, 16}},
    {.id = decision_height_marker, .width = 101, .height =  19, .bits_per_pixel =  8, .paint = radalt_art::decision_height_marker,  .role = "decision-height marker",                        .visible = needle_art(91, 1),  .pivot = {0, 9}},
    {.id = decision_height_knob,   .width =  41, .height =  41, .bits_per_pixel = 24, .paint = radalt_art::decision_height_knob,    .role = "decision-height knob",                          .visible = disc_art(7),        .pivot = {21, 21}},
    {.id = radalt_warning_flag,    .width =  20, .height =  55, .bits_per_pixel = 24, .paint = radalt_art::warning_flag,            .role = "radio altimeter warning flag",                  .visible = all},
    {.id = decision_height_light,  .width =  24, .height =  24, .bits_per_pixel =  8, .paint = radalt_art::decision_height_light,   .role = "decision-height lamp",                          .visible = all},
    {.id = alerter_face,           .width = 232, .height = 114, .bits_per_pixel =  8, .paint = alerter_art::face,                   .role = "altitude alerter face",                         .visible = all},
    {.id = alerter_digit_strip,    .width =  15, .height = 200, .bits_per_pixel =  8, .paint = drum_art::alerter_digit_strip,       .role = "alerter digit strip",                           .visible = all},
    {.id = alerter_digit_window,   .width =  16, .height =  19, .bits_per_pixel =  8, .paint = drum_art::window,                    .role = "alerter digit window",                          .visible = window_frame},
    {.id = alerter_lead_strip,     .width =  15, .height = 200, .bits_per_pixel =  8, .paint = drum_art::alerter_lead_strip,        .role = "alerter leading-digit strip",                   .visible = all},
    {.id = alerter_lead_window,    .width =  16, .height =  19, .bits_per_pixel =  8, .paint = drum_art::window,                    .role = "alerter leading-digit window",                  .visible = window_frame},
    {.id = altitude_alert_light,   .width =  24, .height =  24, .bits_per_pixel =  8, .paint = alerter_art::alert_light,            .role = "ALT alert lamp",                                .visible = all},
    {.id = alerter_knob_base,      .width =  36, .height =  36, .bits_per_pixel =  8, .paint = paint_alerter_knob_base,                   .role = "alerter knob base",                             .visible = disc_art(2)},
    {.id = alerter_knob,           .width =  36, .height =  36, .bits_per_pixel =  8, .paint = paint_alerter_knob,                        .role = "alerter knob",                                  .visible = disc_art(9),        .pivot = {18, 18}},
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

// clang-format off
const std::array<DialScale, 6> scales{{
    {.dial_id = vsi_dial,    .needle_position = gauges::vsi::pointer_position,        .rows = gauges::vsi::vertical_speed_scale, .first_marked = -6000, .last_marked = 6000, .mark_radius_px = 117},
    {.dial_id = aspd_face,   .needle_position = gauges::aspd::dial_centre,            .rows = gauges::aspd::speed_scale,         .first_marked =    60, .last_marked =  400, .mark_radius_px = 100},
    {.dial_id = tach_dial,   .needle_position = gauges::tach::main_pointer_position,  .rows = gauges::tach::n1_main_rows,        .first_marked =     0, .last_marked =  105, .mark_radius_px =  74},
    {.dial_id = tach_dial,   .needle_position = gauges::tach::units_pointer_position, .rows = gauges::tach::units_rows,          .first_marked =     0, .last_marked =    5, .mark_radius_px =  12},
    {.dial_id = epr_dial,    .needle_position = gauges::epr_dial::dial_centre,        .rows = gauges::epr_dial::dial_rows,       .first_marked =    90, .last_marked =  250, .mark_radius_px =  75},
    {.dial_id = radalt_dial, .needle_position = gauges::radalt::dial_centre,          .rows = gauges::radalt::height_scale,      .first_marked =     0, .last_marked = 2506, .mark_radius_px =  94},
}};
// clang-format on

}  // namespace

std::span<const BitmapTableEntry> bitmap_entries() {
    return table;
}

const BitmapTableEntry* find_bitmap(int32_t id) {
    const auto it = std::ranges::find(table, id, &BitmapTableEntry::id);
    return it == table.end() ? nullptr : &*it;
}

std::span<const DialScale> dial_scales() {
    return scales;
}

Canvas render(const BitmapTableEntry& bitmap_entry) {
    return art::paint_canvas(bitmap_entry.width, bitmap_entry.height, bitmap_entry.paint);
}

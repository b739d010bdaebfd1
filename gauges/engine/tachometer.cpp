// N1 and N2 tachometers of both engines: one dial shown four times.
//
// Input:  the engine's spool speed, percent RPM (tokens 624 and 643 for N1,
//         625 and 644 for N2; the N2 records are shared with the EPR gauges).
// Output: the main pointer over the 0 to 105 percent scale, held at 0 below
//         and at 110 percent above; the units pointer on the sub-dial, the
//         reading's units digit with its fraction, 0 to under 10 percent.
#include <array>
#include <cstddef>
#include <cstdint>

#include "gauges/engine/tachometer_scale.h"
#include "host/panel_interface.h"
#include "module/convert.h"
#include "module/element_tree.h"
#include "module/gauge_records.h"
#include "module/gauge_table.h"
#include "module/image_flags.h"
#include "module/needle_values.h"
#include "module/panel.h"
#include "module/record_checks.h"
#include "module/shared_variables.h"
#include "resources/bitmap_ids.h"

namespace gauges {
namespace {

// Token ids of the N1 readings. Each engine's N1 and N2 are consecutive ids,
// and engine 2's block lies 19 ids above engine 1's.
inline constexpr uint32_t engine1_n1_token   = 624;  // percent
inline constexpr uint32_t engine2_n1_token   = 643;  // percent
inline constexpr uint32_t engine_token_block = 19;
static_assert(engine1_n1_token + 1 == shared::token::engine1_n2_pct);
static_assert(engine2_n1_token + 1 == shared::token::engine2_n2_pct);
static_assert(engine1_n1_token + engine_token_block == engine2_n1_token);

// The main pointer holds at 0 below the scale and at 110 above it, which the
// host shows on the 105 row, the table's last.
inline constexpr double main_pointer_low_pct   = 0;
inline constexpr int16_t main_pointer_high_pct = 110;

inline constexpr uint32_t units_per_turn_pct = 10;  // the sub-dial turns once per 10 percent
inline constexpr double uint32_span          = 4294967296.0;  // 2^32

inline constexpr uint32_t instrument_flags = module::drawing::lit_filtered;

// ------------------------------------------------------------------ tables

using tach::MainTable;
using tach::n1_main_rows;
using tach::n2_main_rows;
using tach::units_rows;
using tach::UnitsTable;

constexpr int rows_differing(const MainTable& a, const MainTable& b) {
    int count = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const bool same = a[i].value == b[i].value && a[i].point.x == b[i].point.x &&
                          a[i].point.y == b[i].point.y;
        if (!same) ++count;
    }
    return count;
}

static_assert(module::values_ascend(n1_main_rows) && module::values_ascend(n2_main_rows));
static_assert(module::values_ascend(units_rows));
static_assert(rows_differing(n1_main_rows, n2_main_rows) == 1);
static_assert(units_rows.back().value < units_per_turn_pct, "the last row is short of a full turn");

// The tables the host reads; it fills each row's angle field. Gauges of one
// kind share a table: their pointers sit on the same pivot.
constinit MainTable n1_main_table = n1_main_rows;
constinit MainTable n2_main_table = n2_main_rows;
constinit UnitsTable units_table  = units_rows;

// ------------------------------------------------------------- rules

// The units digit with its fraction of a reading: 87.3 gives 7.3, 100 gives 0.
// It is the reading less its whole tens, worked as (v / 10 - q) x 10 with q the
// truncated reading divided by 10 in unsigned 32-bit arithmetic. A reading
// below 0, not a number, or too large for that arithmetic (2^32 percent and
// beyond, infinity) has no units digit to show: the units pointer then stands
// at 0, as the main pointer does for a negative reading, so the two pointers
// never disagree on a dial that cannot read below zero.
constexpr double tach_units(double reading_pct) {
    if (!(reading_pct >= 0 && reading_pct < uint32_span)) return 0;
    const uint32_t tens = module::low32_of_trunc(reading_pct) / units_per_turn_pct;
    return (reading_pct / units_per_turn_pct - tens) * units_per_turn_pct;
}

// ------------------------------------------------------ per-gauge state

struct Tachometer {
    host::TokenVar& reading;  // percent; refreshed at every pre-draw pass
    double units_pct;         // units pointer value, set at pre-draw; 0 at load
    const int16_t limit_pct;  // the main pointer stops here; never written
};

constinit host::TokenVar engine1_n1_pct = {.id = engine1_n1_token};
constinit host::TokenVar engine2_n1_pct = {.id = engine2_n1_token};

// clang-format off
constinit Tachometer e1n1 = {.reading = engine1_n1_pct,         .units_pct = 0, .limit_pct = main_pointer_high_pct};
constinit Tachometer e2n1 = {.reading = engine2_n1_pct,         .units_pct = 0, .limit_pct = main_pointer_high_pct};
constinit Tachometer e1n2 = {.reading = shared::engine1_n2_pct, .units_pct = 0, .limit_pct = main_pointer_high_pct};
constinit Tachometer e2n2 = {.reading = shared::engine2_n2_pct, .units_pct = 0, .limit_pct = main_pointer_high_pct};
// clang-format on

// ------------------------------------------------------------ callbacks

// Pre-draw: refresh the gauge's reading and work out its units.
template <Tachometer& tach>
void HOST_CALL tach_gauge_callback(host::GaugeHeader*, int32_t service, host::ServiceData) {
    if (service != host::service::pre_draw) return;
    module::panel().refresh_token_variable(&tach.reading);
    tach.units_pct = tach_units(tach.reading.value);
}

// Main pointer: its own source record, already refreshed by the host, held
// between 0 and the gauge's limit.
template <Tachometer& tach>
double HOST_CALL clamp_tach_reading(host::ElementHeader* element) {
    const auto* pointer = reinterpret_cast<const host::Needle*>(element);
    return module::clamp_reading(pointer->source.value, main_pointer_low_pct, tach.limit_pct);
}

template <Tachometer& tach>
double HOST_CALL read_tach_units(host::ElementHeader*) {
    return tach.units_pct;
}

// ------------------------------------------------------------ element tree

// Face, then the units pointer, then the main pointer on top of both.
inline constexpr int tach_element_count = 3;
struct TachTree {
    host::StaticImage face;
    host::Needle units_pointer;
    host::Needle main_pointer;
    module::TreeLinks<tach_element_count> links;
};

template <Tachometer& tach>
constexpr TachTree tach_tree(TachTree& self, host::GaugeHeader& gauge, uint32_t token,
                             MainTable& main_table) {
    return {
        .face = module::static_image(
            &gauge, self.links.below[0].data(),
            {.bitmap_id = bitmap::tach_dial, .position = {0, 0}, .image_flags = instrument_flags}),
        .units_pointer = module::needle(&gauge, self.links.below[1].data(),
                                        {.bitmap_id   = bitmap::tach_units_pointer,
                                         .position    = tach::units_pointer_position,
                                         .pivot       = {10, 4},
                                         .image_flags = instrument_flags},
                                        {.table = units_table, .callback = read_tach_units<tach>}),
        .main_pointer  = module::needle(
             &gauge, nullptr,
             {.bitmap_id   = bitmap::tach_main_pointer,
              .position    = tach::main_pointer_position,
              .pivot       = {16, 17},
              .image_flags = instrument_flags},
             {.source = token, .table = main_table, .callback = clamp_tach_reading<tach>}),
        .links = module::tree_links<tach_element_count>(
            {&self.face.header, &self.units_pointer.header, &self.main_pointer.header}),
    };
}

static_assert(module::built_chain_length<TachTree>([](TachTree& tree) {
                  return tach_tree<e1n1>(tree, engine1_n1_gauge, engine1_n1_token, n1_main_table);
              }) == tach_element_count);

constinit TachTree e1n1_tree =
    tach_tree<e1n1>(e1n1_tree, engine1_n1_gauge, engine1_n1_token, n1_main_table);
constinit TachTree e2n1_tree =
    tach_tree<e2n1>(e2n1_tree, engine2_n1_gauge, engine2_n1_token, n1_main_table);
constinit TachTree e1n2_tree =
    tach_tree<e1n2>(e1n2_tree, engine1_n2_gauge, shared::token::engine1_n2_pct, n2_main_table);
constinit TachTree e2n2_tree =
    tach_tree<e2n2>(e2n2_tree, engine2_n2_gauge, shared::token::engine2_n2_pct, n2_main_table);

}  // namespace

constinit host::GaugeHeader engine1_n1_gauge = module::gauge_header(
    "MERTQ4_E1N1", &e1n1_tree.links.root_slot, nullptr, tach_gauge_callback<e1n1>);
constinit host::GaugeHeader engine2_n1_gauge = module::gauge_header(
    "MERTQ4_E2N1", &e2n1_tree.links.root_slot, nullptr, tach_gauge_callback<e2n1>);
constinit host::GaugeHeader engine1_n2_gauge = module::gauge_header(
    "MERTQ4_E1N2", &e1n2_tree.links.root_slot, nullptr, tach_gauge_callback<e1n2>);
constinit host::GaugeHeader engine2_n2_gauge = module::gauge_header(
    "MERTQ4_E2N2", &e2n2_tree.links.root_slot, nullptr, tach_gauge_callback<e2n2>);

}  // namespace gauges

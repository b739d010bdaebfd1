// EPR indicators of both engines: one dial shown twice, with a pointer,
// the crew's reference marker and a three-drum counter.
//
// Input:  the engine's N2, percent (tokens 625 and 644, records shared with
//         the N2 tachometers); its correction value, full scale 16383 (tokens
//         128 and 163); the EPR reference set with the engine's knob,
//         hundredths of EPR.
// Output: the pointer and the reference marker over the 0.90 to 2.50 scale
//         (values in hundredths of EPR), and the counter drums, each the digit
//         it shows. The reading is worked out in epr_reading.h.
#include <array>
#include <cstdint>

#include "gauges/engine/epr_reading.h"
#include "gauges/engine/epr_scale.h"
#include "host/panel_interface.h"
#include "module/element_tree.h"
#include "module/gauge_records.h"
#include "module/gauge_table.h"
#include "module/image_flags.h"
#include "module/panel.h"
#include "module/record_checks.h"
#include "module/shared_variables.h"
#include "resources/bitmap_ids.h"

namespace gauges {
namespace {

inline constexpr uint32_t engine1_correction_token = 128;  // full scale 16383
inline constexpr uint32_t engine2_correction_token = 163;  // full scale 16383

inline constexpr uint32_t instrument_flags = module::drawing::lit_filtered;

// Each drum's strip holds eleven 21-pixel cells reading 0, 9, 8, ..., 1, 0 from
// the top. Value d shows digit d, and 10 shows the top 0, so that a drum rolls
// on from 9 to 0. All three drums, the ones drum included, span the strip with
// this one range. With 9 at the top instead, digit d of the ones drum would
// stand d/9 of a cell above its cell, and a counter held at 9.99 would show
// the top 0 in the ones window.
inline constexpr double drum_top_value    = 10;  // shows the strip's top cell
inline constexpr double drum_bottom_value = 0;   // shows its bottom cell

// ------------------------------------------------------------------ table

using epr_dial::dial_rows;
using epr_dial::DialTable;
static_assert(module::values_ascend(dial_rows));
static_assert(dial_rows.front().value == engine::epr_scale_low &&
                  dial_rows.back().value == engine::epr_scale_high,
              "the reference knobs stop at the ends of the dial");

// The table the host reads and fills with row angles; the pointer and the
// marker of both gauges turn about the same point and share it.
constinit DialTable dial_table = dial_rows;

// ------------------------------------------------------ per-gauge state

struct EprIndicator {
    host::TokenVar& n2_pct;     // percent; shared with the engine's N2 tachometer
    host::TokenVar correction;  // full scale 16383
    const uint32_t& reference;  // hundredths of EPR; set by the engine's knob
    double reading;             // hundredths of EPR; 0 at load
    engine::EprCounter drums;   // digit values; 0.00 at load
};

constinit EprIndicator epr1 = {
    .n2_pct     = shared::engine1_n2_pct,
    .correction = {.id = engine1_correction_token},
    .reference  = shared::epr1_reference,
    .reading    = 0,
    .drums      = {},
};
constinit EprIndicator epr2 = {
    .n2_pct     = shared::engine2_n2_pct,
    .correction = {.id = engine2_correction_token},
    .reference  = shared::epr2_reference,
    .reading    = 0,
    .drums      = {},
};

// ------------------------------------------------------------ callbacks

// Pre-draw: refresh N2, then the correction value, and work out the reading
// and the drums.
template <EprIndicator& epr>
void HOST_CALL epr_gauge_callback(host::GaugeHeader*, int32_t service, host::ServiceData) {
    if (service != host::service::pre_draw) return;
    module::panel().refresh_token_variable(&epr.n2_pct);
    module::panel().refresh_token_variable(&epr.correction);
    epr.reading = engine::epr_reading(epr.n2_pct.value, epr.correction.value);
    epr.drums   = engine::epr_counter(epr.reading);
}

template <EprIndicator& epr>
double HOST_CALL read_epr_reading(host::ElementHeader*) {
    return epr.reading;
}

// The reference's low 16 bits, as an unsigned number.
template <EprIndicator& epr>
double HOST_CALL read_epr_reference(host::ElementHeader*) {
    return static_cast<uint16_t>(epr.reference);
}

template <EprIndicator& epr, double engine::EprCounter::*drum>
double HOST_CALL read_epr_drum(host::ElementHeader*) {
    return epr.drums.*drum;
}

// ------------------------------------------------------------ element tree

constexpr host::MovingImage drum(host::GaugeHeader& gauge, host::ElementHeader** next,
                                 int32_t strip, host::PixelPoint position,
                                 host::ElementCallback callback) {
    return module::vertical_strip(
        &gauge, next, {.bitmap_id = strip, .position = position, .image_flags = instrument_flags},
        {.top_value = drum_top_value, .bottom_value = drum_bottom_value, .callback = callback});
}

constexpr host::Needle dial_needle(host::GaugeHeader& gauge, host::ElementHeader** next,
                                   int32_t bitmap_id, host::PixelPoint pivot,
                                   host::ElementCallback callback) {
    return module::needle(&gauge, next,
                          {.bitmap_id   = bitmap_id,
                           .position    = epr_dial::dial_centre,
                           .pivot       = pivot,
                           .image_flags = instrument_flags},
                          {.table = dial_table, .callback = callback});
}

// Face, the hundredths, tenths and ones drums behind its cut-out, the
// reference marker, and the pointer on top.
inline constexpr int epr_element_count = 6;
struct EprTree {
    host::StaticImage face;
    host::MovingImage hundredths_drum;
    host::MovingImage tenths_drum;
    host::MovingImage ones_drum;
    host::Needle reference_marker;
    host::Needle pointer;
    module::TreeLinks<epr_element_count> links;
};

template <EprIndicator& epr>
constexpr EprTree epr_tree(EprTree& self, host::GaugeHeader& gauge) {
    using engine::EprCounter;
    return {
        .face = module::static_image(
            &gauge, self.links.below[0].data(),
            {.bitmap_id = bitmap::epr_dial, .position = {0, 0}, .image_flags = instrument_flags}),
        .hundredths_drum =
            drum(gauge, self.links.below[1].data(), bitmap::epr_hundredths_strip,
                 epr_dial::hundredths_drum_position, read_epr_drum<epr, &EprCounter::hundredths>),
        .tenths_drum =
            drum(gauge, self.links.below[2].data(), bitmap::epr_tenths_strip,
                 epr_dial::tenths_drum_position, read_epr_drum<epr, &EprCounter::tenths>),
        .ones_drum = drum(gauge, self.links.below[3].data(), bitmap::epr_ones_strip,
                          epr_dial::ones_drum_position, read_epr_drum<epr, &EprCounter::ones>),
        .reference_marker =
            dial_needle(gauge, self.links.below[4].data(), bitmap::epr_reference_marker, {0, 5},
                        read_epr_reference<epr>),
        .pointer = dial_needle(gauge, nullptr, bitmap::epr_pointer, {29, 5}, read_epr_reading<epr>),
        .links   = module::tree_links<epr_element_count>({
              &self.face.header,
              &self.hundredths_drum.header,
              &self.tenths_drum.header,
              &self.ones_drum.header,
              &self.reference_marker.header,
              &self.pointer.header,
        }),
    };
}

static_assert(module::built_chain_length<EprTree>([](EprTree& tree) {
                  return epr_tree<epr1>(tree, engine1_epr_gauge);
              }) == epr_element_count);

constinit EprTree epr1_tree = epr_tree<epr1>(epr1_tree, engine1_epr_gauge);
constinit EprTree epr2_tree = epr_tree<epr2>(epr2_tree, engine2_epr_gauge);

}  // namespace

constinit host::GaugeHeader engine1_epr_gauge = module::gauge_header(
    "MERTQ4_EPR1", &epr1_tree.links.root_slot, nullptr, epr_gauge_callback<epr1>);
constinit host::GaugeHeader engine2_epr_gauge = module::gauge_header(
    "MERTQ4_EPR2", &epr2_tree.links.root_slot, nullptr, epr_gauge_callback<epr2>);

}  // namespace gauges

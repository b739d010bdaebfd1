// EPR reference knobs of both engines: one knob shown twice.
//
// Input:  left clicks, repeated while held: the left half lowers the engine's
//         EPR reference by one hundredth, the right half raises it.
// Output: the EPR reference, hundredths of EPR, 90 to 250 (205 at load), which
//         the engine's EPR gauge shows with its marker; the knob image's
//         rotation, degrees, 0 to 357 in steps of 3 (69 at load).
#include <cstdint>

#include "gauges/engine/epr_reading.h"
#include "host/panel_interface.h"
#include "module/element_tree.h"
#include "module/gauge_records.h"
#include "module/gauge_table.h"
#include "module/image_flags.h"
#include "module/knob_angle.h"
#include "module/shared_variables.h"
#include "resources/bitmap_ids.h"

namespace gauges {
namespace {

// The reference stops at the ends of the EPR dial.
inline constexpr uint32_t reference_low  = engine::epr_scale_low;   // hundredths of EPR
inline constexpr uint32_t reference_high = engine::epr_scale_high;  // hundredths of EPR
inline constexpr uint32_t reference_step = 1;                       // hundredths per click

// The knob turns with each step and wraps round: 120 positions, 3 degrees apart.
inline constexpr uint32_t knob_step_deg      = 3;
inline constexpr uint32_t knob_last_deg      = 357;
inline constexpr uint32_t knob_angle_at_load = 69;  // degrees
static_assert(knob_last_deg + knob_step_deg == 360 && 360 / knob_step_deg == 120);
static_assert(knob_angle_at_load % knob_step_deg == 0 && knob_angle_at_load <= knob_last_deg);

// Mouse areas: two halves of the 41-pixel knob, with column 20 between them
// taking no click.
inline constexpr int32_t knob_size_px           = 41;
inline constexpr int32_t half_width_px          = 20;
inline constexpr host::BoxSize half_box         = {.width = half_width_px, .height = knob_size_px};
inline constexpr host::PixelPoint lower_half_at = {0, 0};
inline constexpr host::PixelPoint raise_half_at = {knob_size_px - half_width_px, 0};
inline constexpr uint32_t stepping_events =
    host::mouse_event::left_click | host::mouse_event::repeat;
static_assert(lower_half_at.x + half_width_px < raise_half_at.x,
              "one dead column between the halves");

inline constexpr uint32_t base_flags = module::drawing::unlit_filtered;
inline constexpr uint32_t knob_flags = module::drawing::lit_filtered;

// ------------------------------------------------------ per-knob state

struct EprKnob {
    uint32_t& reference;  // hundredths of EPR; shared with the engine's EPR gauge
    uint32_t angle_deg;   // rotation of the knob image; stepped with the reference
};

constinit EprKnob epr1_knob = {.reference = shared::epr1_reference,
                               .angle_deg = knob_angle_at_load};
constinit EprKnob epr2_knob = {.reference = shared::epr2_reference,
                               .angle_deg = knob_angle_at_load};

// ------------------------------------------------------------ callbacks

// One step down; at the low stop the reference stays and the knob does not turn.
template <EprKnob& knob>
host::BOOL HOST_CALL epr_reference_down(host::PixelPoint*, uint32_t) {
    if (knob.reference <= reference_low) {
        knob.reference = reference_low;
        return module::mouse_handled;
    }
    knob.reference -= reference_step;
    knob.angle_deg = module::turned_back(knob.angle_deg, knob_step_deg, knob_last_deg);
    return module::mouse_handled;
}

// One step up; at the high stop the reference stays and the knob does not turn.
template <EprKnob& knob>
host::BOOL HOST_CALL epr_reference_up(host::PixelPoint*, uint32_t) {
    if (knob.reference >= reference_high) {
        knob.reference = reference_high;
        return module::mouse_handled;
    }
    knob.reference += reference_step;
    knob.angle_deg = module::turned_on(knob.angle_deg, knob_step_deg, knob_last_deg);
    return module::mouse_handled;
}

// The knob needle has no table: the host turns it by this many degrees. The
// angle's low 16 bits, as an unsigned number.
template <EprKnob& knob>
double HOST_CALL read_epr_knob_angle(host::ElementHeader*) {
    return static_cast<uint16_t>(knob.angle_deg);
}

// ------------------------------------------------------- records

// The base, then the knob turning about its centre.
inline constexpr int knob_element_count = 2;
struct KnobTree {
    host::StaticImage base;
    host::Needle knob;
    module::TreeLinks<knob_element_count> links;
};

template <EprKnob& knob>
constexpr KnobTree knob_tree(KnobTree& self, host::GaugeHeader& gauge) {
    return {
        .base = module::static_image(
            &gauge, self.links.below[0].data(),
            {.bitmap_id = bitmap::epr_knob_base, .position = {0, 0}, .image_flags = base_flags}),
        .knob  = module::needle(&gauge, nullptr,
                                {.bitmap_id   = bitmap::epr_knob,
                                 .position    = {21, 21},
                                 .pivot       = {21, 21},
                                 .image_flags = knob_flags},
                                {.callback = read_epr_knob_angle<knob>}),
        .links = module::tree_links<knob_element_count>({&self.base.header, &self.knob.header}),
    };
}

static_assert(module::built_chain_length<KnobTree>([](KnobTree& tree) {
                  return knob_tree<epr1_knob>(tree, engine1_epr_knob_gauge);
              }) == knob_element_count);

template <EprKnob& knob>
constexpr module::MouseList<2> knob_mouse_list() {
    return module::mouse_list(module::mouse_child(lower_half_at, half_box, host::cursor::down_arrow,
                                                  stepping_events, epr_reference_down<knob>),
                              module::mouse_child(raise_half_at, half_box, host::cursor::up_arrow,
                                                  stepping_events, epr_reference_up<knob>));
}

constinit KnobTree epr1_knob_tree = knob_tree<epr1_knob>(epr1_knob_tree, engine1_epr_knob_gauge);
constinit KnobTree epr2_knob_tree = knob_tree<epr2_knob>(epr2_knob_tree, engine2_epr_knob_gauge);

constinit module::MouseList<2> epr1_knob_mouse = knob_mouse_list<epr1_knob>();
constinit module::MouseList<2> epr2_knob_mouse = knob_mouse_list<epr2_knob>();

}  // namespace

constinit host::GaugeHeader engine1_epr_knob_gauge =
    module::gauge_header("MERTQ4_EPRKNB1", &epr1_knob_tree.links.root_slot, epr1_knob_mouse.data(),
                         module::ignore_service);
constinit host::GaugeHeader engine2_epr_knob_gauge =
    module::gauge_header("MERTQ4_EPRKNB2", &epr2_knob_tree.links.root_slot, epr2_knob_mouse.data(),
                         module::ignore_service);

}  // namespace gauges

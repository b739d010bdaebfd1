// Vertical speed indicator: one pointer on a dial of thousands of feet per
// minute, climb over the top and descent under the bottom, held at 6000 either way.
//
// Inputs:  token 65 vertical speed, positive in a climb (1/256 metre per second).
// Outputs: the pointer's value, feet per minute, -6000 to 6000.
#include <array>
#include <cstdint>

#include "gauges/flight/vertical_speed_scale.h"
#include "module/element_tree.h"
#include "module/gauge_records.h"
#include "module/gauge_table.h"
#include "module/image_flags.h"
#include "module/needle_values.h"
#include "module/record_checks.h"
#include "resources/bitmap_ids.h"

namespace gauges {
namespace {

namespace token {
constexpr uint32_t vertical_speed = 65;  // 1/256 m/s
}  // namespace token

// 1/256 m/s x 3.28084 ft/m x 60 s/min = 0.76894 ft/min per host unit.
constexpr double feet_per_minute_per_unit = 0.76894;
constexpr double scale_end_fpm            = 6000;
constexpr int32_t pointer_turn_limit_deg  = 8;  // per host update

using vsi::ScaleTable;
using vsi::vertical_speed_scale;

static_assert(module::values_ascend(vertical_speed_scale));
static_assert(vertical_speed_scale.front().value == -scale_end_fpm);
static_assert(vertical_speed_scale.back().value == scale_end_fpm);

// The pointer's own copy: the host writes its rows.
constinit ScaleTable vertical_speed_table = vertical_speed_scale;

double HOST_CALL read_vertical_speed(host::ElementHeader* element) {
    // The pointer's own source, as the host refreshed it for this update.
    const double units    = reinterpret_cast<const host::Needle*>(element)->source.value;
    const double rate_fpm = units * feet_per_minute_per_unit;
    return module::clamp_reading(rate_fpm, -scale_end_fpm, scale_end_fpm);
}

// ------------------------------------------------------------ element tree

// The dial, then the pointer over it.
inline constexpr int vsi_element_count = 2;
struct VsiTree {
    host::StaticImage dial;
    host::Needle pointer;
    module::TreeLinks<vsi_element_count> links;
};

constexpr VsiTree vsi_tree(VsiTree& self) {
    using module::drawing::lit_filtered;
    return {
        .dial = module::static_image(
            &vertical_speed_gauge, self.links.below[0].data(),
            {.bitmap_id = bitmap::vsi_dial, .position = {0, 0}, .image_flags = lit_filtered}),
        .pointer = module::needle(&vertical_speed_gauge, nullptr,
                                  {.bitmap_id   = bitmap::vsi_pointer,
                                   .position    = vsi::pointer_position,
                                   .pivot       = {46, 8},
                                   .image_flags = lit_filtered},
                                  {.source         = token::vertical_speed,
                                   .table          = vertical_speed_table,
                                   .turn_limit_deg = pointer_turn_limit_deg,
                                   .callback       = read_vertical_speed}),
        .links   = module::tree_links<vsi_element_count>({&self.dial.header, &self.pointer.header}),
    };
}
static_assert(module::built_chain_length(vsi_tree) == vsi_element_count);

constinit VsiTree tree = vsi_tree(tree);

}  // namespace

// The gauge takes no clicks and acts on no service code.
constinit host::GaugeHeader vertical_speed_gauge =
    module::gauge_header("MERTQ4VSI", &tree.links.root_slot, nullptr, module::ignore_service);

}  // namespace gauges

// Vertical speed indicator.
#include "module/gauge_records.h"
#include "module/gauge_table.h"
#include "resources/bitmap_ids.h"

namespace gauges {
namespace {

constinit host::StaticImage vertical_speed_root = {
    .header = module::element_header(
        host::element_type::static_image, &vertical_speed_gauge, nullptr,
        {.bitmap_id = bitmap::vsi_dial, .position = {0, 0}, .image_flags = 0x4083}),
};
constinit host::ElementHeader* vertical_speed_root_slot = &vertical_speed_root.header;

}  // namespace

constinit host::GaugeHeader vertical_speed_gauge =
    module::gauge_header("MERTQ4VSI", &vertical_speed_root_slot, nullptr, module::ignore_service);

}  // namespace gauges

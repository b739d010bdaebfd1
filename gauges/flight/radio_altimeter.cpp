// Radio altimeter with decision height, its lamp and the warning flag.
#include "module/gauge_records.h"
#include "module/gauge_table.h"
#include "resources/bitmap_ids.h"

namespace gauges {
namespace {

constinit host::StaticImage radio_altimeter_root = {
    .header = module::element_header(
        host::element_type::static_image, &radio_altimeter_gauge, nullptr,
        {.bitmap_id = bitmap::radalt_dial, .position = {0, 0}, .image_flags = 0x4083}),
};
constinit host::ElementHeader* radio_altimeter_root_slot = &radio_altimeter_root.header;

}  // namespace

constinit host::GaugeHeader radio_altimeter_gauge =
    module::gauge_header("MERTQ4RADALT", &radio_altimeter_root_slot, nullptr, module::ignore_service);

}  // namespace gauges

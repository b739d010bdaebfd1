// Two sign switches that chime when switched on.
#include "module/gauge_records.h"
#include "module/gauge_table.h"
#include "resources/bitmap_ids.h"

namespace gauges {
namespace {

constinit host::StaticImage sign_switches_root = {
    .header = module::element_header(
        host::element_type::static_image, &sign_switches_gauge, nullptr,
        {.bitmap_id = bitmap::sign_panel, .position = {0, 0}, .image_flags = 0x83}),
};
constinit host::ElementHeader* sign_switches_root_slot = &sign_switches_root.header;

}  // namespace

constinit host::GaugeHeader sign_switches_gauge =
    module::gauge_header("MERTQ4SGN", &sign_switches_root_slot, nullptr, module::ignore_service);

}  // namespace gauges

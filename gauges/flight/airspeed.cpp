// Airspeed indicator with Mach ring, command marker and three reference markers.
#include "module/gauge_records.h"
#include "module/gauge_table.h"
#include "resources/bitmap_ids.h"

namespace gauges {
namespace {

constinit host::StaticImage airspeed_root = {
    .header = module::element_header(
        host::element_type::static_image, &airspeed_gauge, nullptr,
        {.bitmap_id = bitmap::aspd_dial, .position = {0, 0}, .image_flags = 0x4081}),
};
constinit host::ElementHeader* airspeed_root_slot = &airspeed_root.header;

}  // namespace

constinit host::GaugeHeader airspeed_gauge =
    module::gauge_header("MERTQ4ASPD", &airspeed_root_slot, nullptr, module::ignore_service);

}  // namespace gauges

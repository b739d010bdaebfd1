// The aural warning computer: ground proximity warnings, callouts and cockpit sounds.
#include "module/gauge_records.h"
#include "module/gauge_table.h"
#include "resources/bitmap_ids.h"

namespace gauges {
namespace {

constinit host::StaticImage ground_proximity_root = {
    .header = module::element_header(
        host::element_type::static_image, &ground_proximity_gauge, nullptr,
        {.bitmap_id = bitmap::black_square, .position = {0, 0}, .image_flags = 0x83}),
};
constinit host::ElementHeader* ground_proximity_root_slot = &ground_proximity_root.header;

}  // namespace

constinit host::GaugeHeader ground_proximity_gauge =
    module::gauge_header("MERTQ4GPWS", &ground_proximity_root_slot, nullptr, module::ignore_service);

}  // namespace gauges

// The altitude alerter's setting knob.
#include "module/gauge_records.h"
#include "module/gauge_table.h"
#include "resources/bitmap_ids.h"

namespace gauges {
namespace {

constinit host::StaticImage altitude_alerter_knob_root = {
    .header = module::element_header(
        host::element_type::static_image, &altitude_alerter_knob_gauge, nullptr,
        {.bitmap_id = bitmap::alerter_knob_base, .position = {0, 0}, .image_flags = 0x83}),
};
constinit host::ElementHeader* altitude_alerter_knob_root_slot = &altitude_alerter_knob_root.header;

}  // namespace

constinit host::GaugeHeader altitude_alerter_knob_gauge =
    module::gauge_header("MERTQ4ALTALRTKNB", &altitude_alerter_knob_root_slot, nullptr, module::ignore_service);

}  // namespace gauges

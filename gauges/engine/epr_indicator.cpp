// EPR indicators of both engines.
#include "module/gauge_records.h"
#include "module/gauge_table.h"
#include "resources/bitmap_ids.h"

namespace gauges {
namespace {

constinit host::StaticImage engine1_epr_root = {
    .header = module::element_header(
        host::element_type::static_image, &engine1_epr_gauge, nullptr,
        {.bitmap_id = bitmap::epr_dial, .position = {0, 0}, .image_flags = 0x4083}),
};
constinit host::ElementHeader* engine1_epr_root_slot = &engine1_epr_root.header;

constinit host::StaticImage engine2_epr_root = {
    .header = module::element_header(
        host::element_type::static_image, &engine2_epr_gauge, nullptr,
        {.bitmap_id = bitmap::epr_dial, .position = {0, 0}, .image_flags = 0x4083}),
};
constinit host::ElementHeader* engine2_epr_root_slot = &engine2_epr_root.header;

}  // namespace

constinit host::GaugeHeader engine1_epr_gauge =
    module::gauge_header("MERTQ4_EPR1", &engine1_epr_root_slot, nullptr, module::ignore_service);
constinit host::GaugeHeader engine2_epr_gauge =
    module::gauge_header("MERTQ4_EPR2", &engine2_epr_root_slot, nullptr, module::ignore_service);

}  // namespace gauges

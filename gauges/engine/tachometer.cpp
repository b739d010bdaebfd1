// N1 and N2 tachometers of both engines.
#include "module/gauge_records.h"
#include "module/gauge_table.h"
#include "resources/bitmap_ids.h"

namespace gauges {
namespace {

constinit host::StaticImage engine1_n1_root = {
    .header = module::element_header(
        host::element_type::static_image, &engine1_n1_gauge, nullptr,
        {.bitmap_id = bitmap::tach_dial, .position = {0, 0}, .image_flags = 0x4083}),
};
constinit host::ElementHeader* engine1_n1_root_slot = &engine1_n1_root.header;

constinit host::StaticImage engine2_n1_root = {
    .header = module::element_header(
        host::element_type::static_image, &engine2_n1_gauge, nullptr,
        {.bitmap_id = bitmap::tach_dial, .position = {0, 0}, .image_flags = 0x4083}),
};
constinit host::ElementHeader* engine2_n1_root_slot = &engine2_n1_root.header;

constinit host::StaticImage engine1_n2_root = {
    .header = module::element_header(
        host::element_type::static_image, &engine1_n2_gauge, nullptr,
        {.bitmap_id = bitmap::tach_dial, .position = {0, 0}, .image_flags = 0x4083}),
};
constinit host::ElementHeader* engine1_n2_root_slot = &engine1_n2_root.header;

constinit host::StaticImage engine2_n2_root = {
    .header = module::element_header(
        host::element_type::static_image, &engine2_n2_gauge, nullptr,
        {.bitmap_id = bitmap::tach_dial, .position = {0, 0}, .image_flags = 0x4083}),
};
constinit host::ElementHeader* engine2_n2_root_slot = &engine2_n2_root.header;

}  // namespace

constinit host::GaugeHeader engine1_n1_gauge =
    module::gauge_header("MERTQ4_E1N1", &engine1_n1_root_slot, nullptr, module::ignore_service);
constinit host::GaugeHeader engine2_n1_gauge =
    module::gauge_header("MERTQ4_E2N1", &engine2_n1_root_slot, nullptr, module::ignore_service);
constinit host::GaugeHeader engine1_n2_gauge =
    module::gauge_header("MERTQ4_E1N2", &engine1_n2_root_slot, nullptr, module::ignore_service);
constinit host::GaugeHeader engine2_n2_gauge =
    module::gauge_header("MERTQ4_E2N2", &engine2_n2_root_slot, nullptr, module::ignore_service);

}  // namespace gauges

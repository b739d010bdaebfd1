// The sound link: turns the XML gauges' sound requests into sounds and flags.
#include "module/gauge_records.h"
#include "module/gauge_table.h"
#include "resources/bitmap_ids.h"

namespace gauges {
namespace {

constinit host::StaticImage sound_link_root = {
    .header = module::element_header(
        host::element_type::static_image, &sound_link_gauge, nullptr,
        {.bitmap_id = bitmap::black_square, .position = {0, 0}, .image_flags = 0x83}),
};
constinit host::ElementHeader* sound_link_root_slot = &sound_link_root.header;

}  // namespace

constinit host::GaugeHeader sound_link_gauge =
    module::gauge_header("MERTQ4ComLnk", &sound_link_root_slot, nullptr, module::ignore_service);

}  // namespace gauges

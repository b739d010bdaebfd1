// The module's two exports, the seven shared routines every gauge header
// carries, the module-start and -stop routines and the library entry point.
#include "module/gauge_records.h"
#include "module/gauge_table.h"
#include "module/panel.h"

namespace {

void HOST_CALL module_start() {}
void HOST_CALL module_stop() {}

// The root element of the first gauge of the table, read at call time.
host::ElementHeader* first_gauge_root() {
    return module::root_of(Linkage.gauges[0]);
}

}  // namespace

extern "C" {

constinit host::ImportTableRecord ImportTable = {
    .panels     = {.id = host::panels_entry_id, .table = nullptr},  // filled by the host
    .terminator = {.id = 0, .table = nullptr},
};

constinit host::LinkageRecord Linkage = {
    .module_id    = host::module_id,
    .module_start = module_start,
    .module_stop  = module_stop,
    .flags        = 0,
    .priority     = 0,
    .version      = host::interface_version,
    .gauges =
        {
            &gauges::sound_link_gauge,
            &gauges::ground_proximity_gauge,
            &gauges::sign_switches_gauge,
            &gauges::vertical_speed_gauge,
            &gauges::airspeed_gauge,
            &gauges::engine1_n1_gauge,
            &gauges::engine2_n1_gauge,
            &gauges::engine1_n2_gauge,
            &gauges::engine2_n2_gauge,
            &gauges::engine1_epr_gauge,
            &gauges::engine2_epr_gauge,
            &gauges::engine1_epr_knob_gauge,
            &gauges::engine2_epr_knob_gauge,
            &gauges::altitude_alerter_gauge,
            &gauges::radio_altimeter_gauge,
            &gauges::altitude_alerter_knob_gauge,
            nullptr,
        },
};

}  // extern "C"

namespace module {

void HOST_CALL gauge_query() {
    panel().query_elements(first_gauge_root());
}
void HOST_CALL gauge_install(host::ResourceHandle resources) {
    panel().install_elements(first_gauge_root(), resources);
}
void HOST_CALL gauge_initialize() {
    panel().initialize_elements(first_gauge_root());
}
void HOST_CALL gauge_update() {
    panel().update_elements(first_gauge_root());
}
void HOST_CALL gauge_generate(uint32_t value) {
    panel().generate_elements(first_gauge_root(), value);
}
void HOST_CALL gauge_draw() {
    panel().draw_elements(first_gauge_root());
}
void HOST_CALL gauge_kill() {
    panel().kill_elements(first_gauge_root());
}

void HOST_CALL ignore_service(host::GaugeHeader*, int32_t, host::ServiceData) {}

}  // namespace module

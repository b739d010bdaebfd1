// The module's view of the host: the two exported records and the panel
// service table the host stores in ImportTable before calling any gauge.
#pragma once

#include "host/panel_interface.h"

extern "C" {
extern host::ImportTableRecord ImportTable;
extern host::LinkageRecord Linkage;
}

namespace module {

inline host::PanelServices& panel() {
    return *ImportTable.panels.table;
}

// The root element of a gauge, read through its header at call time.
inline host::ElementHeader* root_of(const host::GaugeHeader* gauge) {
    return *gauge->elements;
}

}  // namespace module

// The host model's state, shared by the files of its core: the module's
// records, the service table, the panel and everything recorded for tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "host/panel_interface.h"
#include "hostmodel/host_component.h"
#include "hostmodel/host_model.h"

namespace hostmodel::core {

// What the host keeps of an element between frames, apart from its record:
// the last update's results and where it drew the element.
struct ElementState {
    double value   = 0;  // the update callback's result (a moving image's along its axis)
    double angle   = 0;  // needles: rotation, degrees clockwise from +x
    int32_t image  = 0;  // icons: the index of the image shown
    double x_value = 0;  // moving images: the results for each direction
    double y_value = 0;
};

// A string element's text buffer as the host provides it: as many bytes as
// the record's longest text, then a guard zone.
struct TextBuffer {
    host::String* element;
    int index;  // down the chain
    std::size_t capacity;
    std::unique_ptr<char[]> storage;
};

// An element of a placed gauge, as the model walks it each frame.
struct PlacedElement {
    host::ElementHeader* record;
    int index;  // down the chain, root 0
    ElementState* state;
};

struct PlacedGauge {
    std::string name;
    host::GaugeHeader* header;
    bool updated = false;  // the first update after placing skips the turn-rate limit
    std::vector<PlacedElement> elements;
    std::vector<TextBuffer> texts;
};

struct Model {
    host::ImportTableRecord* import_table = nullptr;
    host::LinkageRecord* linkage          = nullptr;
    host::PanelServices services          = {};

    std::vector<PlacedGauge> panel;  // in panel order
    // Kept until the module is reloaded, so a gauge placed again goes on from
    // where its elements were.
    std::unordered_map<const host::ElementHeader*, ElementState> element_states;
    std::map<std::string, std::vector<DrawnElement>, std::less<>> drawings;

    std::unordered_map<uint32_t, double> tokens;
    std::vector<std::pair<std::string, double>> named;  // id = index

    std::vector<SoundCall> sound_calls;
    bool time_sound_calls = false;
    std::vector<KeyEvent> key_events;
    std::vector<LoaderCall> loader_calls;
    std::vector<Output> outputs;  // all of the module's outputs, in order
    std::vector<ElementOperation> element_operations;
    std::vector<std::string> faults;

    uint8_t status[std::size(component::default_status)] = {};
};

// The model of this process: the one state of the host, which the Host and
// the service table reach alike.
Model& model();

// Fills a token record from the token values, as slot 40 does.
void refresh(host::TokenVar* record);

// Writes the status bytes into the host component, where it is present.
void write_status(const Model& m);

// Fills the service table: every slot the module may call, and a fault in the others.
void fill_services(host::PanelServices& services);

// The child rectangles of the gauge's mouse list, in list order.
std::vector<const host::MouseRect*> mouse_children(const host::GaugeHeader* gauge);
// The first child rectangle holding (x, y), or NULL.
const host::MouseRect* mouse_child_at(const host::GaugeHeader* gauge, int x, int y);

}  // namespace hostmodel::core

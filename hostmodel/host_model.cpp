// The platform-independent core of the host model: loading the module,
// placing gauges, running frames and the host's part in them, and the Host
// the tests drive. What it does per kind of element is in element_kinds.cpp,
// what it records in recording.cpp, the drawn state in drawn_state.cpp.
#include "hostmodel/host_model.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "hostmodel/binding.h"
#include "hostmodel/element_kinds.h"
#include "hostmodel/host_component.h"
#include "hostmodel/host_fields.h"
#include "hostmodel/model_state.h"
#include "module/element_chain.h"

namespace hostmodel {
namespace core {
namespace {

// The root of a gauge's element chain, or NULL.
host::ElementHeader* root(const host::GaugeHeader* gauge) {
    return gauge->elements != nullptr ? *gauge->elements : nullptr;
}

// ---------------------------------------------------------- frames and panel

void check_guards(const PlacedGauge& placed) {
    for (const TextBuffer& text : placed.texts) {
        char* guard = text.storage.get() + text.capacity;
        if (std::all_of(guard, guard + guard_size, [](char c) { return c == guard_byte; }))
            continue;
        record_fault("string buffer overrun in " + placed.name + " element " +
                     std::to_string(text.index));
        std::fill(guard, guard + guard_size, guard_byte);
    }
}

// The host's own fields of every element still as the host left them: the
// pattern it filled them with, and each string's buffer where it stored it.
void check_host_fields(const PlacedGauge& placed) {
    for (const PlacedElement& element : placed.elements) {
        const int changed = host_fields::first_changed(element.record);
        if (changed < 0) continue;
        record_fault("host field at byte " + std::to_string(changed) + " of " + placed.name +
                     " element " + std::to_string(element.index) + " written");
        host_fields::fill(element.record);
    }
    for (const TextBuffer& text : placed.texts) {
        if (text.element->text == text.storage.get()) continue;
        record_fault("text buffer pointer of " + placed.name + " element " +
                     std::to_string(text.index) + " written");
        text.element->text = text.storage.get();
    }
}

void update_gauge(PlacedGauge& placed) {
    const bool first_update = !placed.updated;
    for (PlacedElement& element : placed.elements) {
        const ElementOps& ops = ops_of(element.record);
        if (ops.update != nullptr) ops.update(element, first_update);
        check_guards(placed);
    }
    placed.updated = true;
}

std::string hex(int32_t id) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(id));
    return text;
}

void record_fault_once(std::string fault) {
    if (std::find(model().faults.begin(), model().faults.end(), fault) == model().faults.end()) {
        record_fault(std::move(fault));
    }
}

DrawnElement drawn_element(const PlacedGauge& placed, const PlacedElement& element) {
    const ElementOps& ops = ops_of(element.record);
    DrawnElement drawn{
        .index = element.index, .bitmap_id = element.record->bitmap_id, .width = 0, .height = 0};
    if (ops.box != nullptr) {
        const host::BoxSize box = ops.box(element.record);
        drawn.width             = box.width;
        drawn.height            = box.height;
        return drawn;
    }
    if (ops.bitmap != nullptr) drawn.bitmap_id = ops.bitmap(element);
    int bits = 0;
    if (!binding::bitmap_resource(drawn.bitmap_id, &drawn.width, &drawn.height, &bits)) {
        record_fault_once("missing bitmap " + hex(drawn.bitmap_id) + " in " + placed.name +
                          " element " + std::to_string(element.index));
    }
    return drawn;
}

void draw_gauge(const PlacedGauge& placed) {
    std::vector<DrawnElement>& drawn = model().drawings[placed.name];
    drawn.clear();
    for (const PlacedElement& element : placed.elements) {
        if ((element.record->image_flags & host::image_flag::hidden) != 0) continue;
        drawn.push_back(drawn_element(placed, element));
    }
}

// The host's install of a gauge's elements: each element walked down the
// chain, its host fields filled, then what its kind asks for.
void prepare_elements(PlacedGauge& placed) {
    int index = 0;
    for (host::ElementHeader* element = root(placed.header); element != nullptr;
         element                      = module::next_in_chain(element)) {
        host_fields::fill(element);
        placed.elements.push_back(PlacedElement{
            .record = element, .index = index++, .state = &model().element_states[element]});
    }
    for (PlacedElement& element : placed.elements) {
        const ElementOps& ops = ops_of(element.record);
        if (ops.prepare != nullptr) ops.prepare(placed, element);
    }
}

void release_elements(PlacedGauge& placed) {
    for (TextBuffer& text : placed.texts) text.element->text = nullptr;
    placed.texts.clear();
    placed.elements.clear();
}

void send(host::GaugeHeader* gauge, int32_t code) {
    if (gauge->callback != nullptr) gauge->callback(gauge, code, 0);
}

std::vector<PlacedGauge>::iterator find_placed(std::string_view name) {
    return std::find_if(model().panel.begin(), model().panel.end(),
                        [&](const PlacedGauge& g) { return g.name == name; });
}

// The host's load steps: the exports found, the service table stored in
// ImportTable, the module started.
void load(Model& m) {
    const binding::LoadedModule loaded = binding::load_module();
    m.import_table                     = loaded.import_table;
    m.linkage                          = loaded.linkage;
    if (m.import_table->panels.id != host::panels_entry_id) {
        record_fault("ImportTable does not start with the panels entry");
    }
    fill_services(m.services);
    m.import_table->panels.table = &m.services;
    if (m.linkage->module_start != nullptr) m.linkage->module_start();
}

// A fresh host over the stand-ins as a process starts with them: the sound
// library present and the host component present with its default status.
void start(Model& m) {
    m = Model{};
    std::copy(std::begin(component::default_status), std::end(component::default_status), m.status);
    binding::set_sound_library(SoundLibrary::present);
    binding::set_host_component(true);
    write_status(m);
    load(m);
}

}  // namespace

void write_status(const Model& m) {
    for (std::size_t i = 0; i < std::size(component::status_offsets); ++i) {
        binding::write_status_byte(component::status_offsets[i], m.status[i]);
    }
}

Model& model() {
    static Model the_model;
    return the_model;
}

}  // namespace core

// ------------------------------------------------------------------ the host

Host& Host::instance() {
    static Host host;
    return host;
}

Host::Host() {
    core::start(core::model());
}

void Host::load_module_from(const std::string& path) {
    binding::set_module_file(path);
}

void Host::use_sound_library(const std::string& folder) {
    binding::set_sound_library_folder(folder);
}

std::string Host::module_file() const {
    return binding::module_file();
}

void Host::reload() {
    core::Model& m = core::model();
    for (core::PlacedGauge& placed : m.panel) core::release_elements(placed);
    binding::unload_all();
    core::start(m);
}

bool Host::close(int timeout_ms) {
    remove_all();
    binding::hold_sound_library(false);
    return binding::await_sound_library_gone(timeout_ms);
}

const host::LinkageRecord& Host::linkage() const {
    return *core::model().linkage;
}

host::ImportTableRecord& Host::import_table() const {
    return *core::model().import_table;
}

host::GaugeHeader* Host::gauge(std::string_view name) const {
    for (host::GaugeHeader* const* g = core::model().linkage->gauges; *g != nullptr; ++g) {
        if ((*g)->name != nullptr && name == (*g)->name) return *g;
    }
    throw std::invalid_argument("no gauge named " + std::string(name) + " in Linkage");
}

host::ElementHeader* Host::element(std::string_view gauge_name, int n) const {
    host::ElementHeader* element = module::nth_in_chain(core::root(gauge(gauge_name)), n);
    if (element == nullptr) {
        throw std::invalid_argument(std::string(gauge_name) + " has no element " +
                                    std::to_string(n));
    }
    return element;
}

// ----------------------------------------------------------------- the panel

void Host::place(std::string_view name) {
    host::GaugeHeader* header = gauge(name);
    if (core::find_placed(name) != core::model().panel.end()) {
        core::record_fault(std::string(name) + " placed twice");
        return;
    }
    core::PlacedGauge& placed =
        core::model().panel.emplace_back(core::PlacedGauge{.name     = std::string(name),
                                                           .header   = header,
                                                           .updated  = false,
                                                           .elements = {},
                                                           .texts    = {}});
    core::prepare_elements(placed);
    core::model().drawings[placed.name].clear();
    core::send(header, host::service::install);
    core::send(header, host::service::initialize);
    core::send(header, host::service::connect_to_window);
}

void Host::remove(std::string_view name) {
    const auto placed = core::find_placed(name);
    if (placed == core::model().panel.end()) {
        core::record_fault(std::string(name) + " removed but not placed");
        return;
    }
    core::send(placed->header, host::service::pre_kill);
    core::check_host_fields(*placed);
    core::release_elements(*placed);
    core::model().panel.erase(placed);
}

void Host::remove_all() {
    while (!core::model().panel.empty()) remove(std::string(core::model().panel.front().name));
}

void Host::connect_to_window(std::string_view name) {
    service(name, host::service::connect_to_window);
}

void Host::service(std::string_view name, int32_t code) {
    core::send(gauge(name), code);
}

void Host::frame() {
    for (core::PlacedGauge& placed : core::model().panel) {
        core::send(placed.header, host::service::pre_update);
        core::update_gauge(placed);
    }
    for (const core::PlacedGauge& placed : core::model().panel) {
        core::send(placed.header, host::service::pre_draw);
        core::draw_gauge(placed);
    }
    for (const core::PlacedGauge& placed : core::model().panel) core::check_host_fields(placed);
}

void Host::frames(int count) {
    for (int i = 0; i < count; ++i) frame();
}

std::vector<std::string> Host::placed() const {
    std::vector<std::string> names;
    for (const core::PlacedGauge& placed : core::model().panel) names.push_back(placed.name);
    return names;
}

// -------------------------------------------------------------------- inputs

void Host::set_token(uint32_t id, double value) {
    core::model().tokens[id] = value;
}

double Host::token(uint32_t id) const {
    const auto found = core::model().tokens.find(id);
    return found != core::model().tokens.end() ? found->second : 0.0;
}

void Host::set_named(const std::string& name, double value) {
    for (auto& [known, stored] : core::model().named) {
        if (known == name) {
            stored = value;
            return;
        }
    }
    core::model().named.emplace_back(name, value);
}

double Host::named(const std::string& name) const {
    for (const auto& [known, stored] : core::model().named) {
        if (known == name) return stored;
    }
    return 0.0;
}

bool Host::named_exists(const std::string& name) const {
    return std::any_of(core::model().named.begin(), core::model().named.end(),
                       [&](const auto& entry) { return entry.first == name; });
}

int Host::click(std::string_view gauge_name, int x, int y, uint32_t events, int repeats) {
    if (core::find_placed(gauge_name) == core::model().panel.end()) {
        core::record_fault("click on " + std::string(gauge_name) + ", which is not placed");
        return 0;
    }
    const host::MouseRect* child = core::mouse_child_at(gauge(gauge_name), x, y);
    if (child == nullptr || child->callback == nullptr) return 0;
    const bool repeating = (child->events & host::mouse_event::repeat) != 0;
    const int calls      = 1 + (repeating ? std::max(repeats, 0) : 0);
    for (int call = 0; call < calls; ++call) {
        // The point argument opens the host's record of the click.
        host::ClickRecord record{.point  = {x, y},
                                 .gauge  = gauge(gauge_name),
                                 .rect   = const_cast<host::MouseRect*>(child),
                                 .screen = {x, y}};
        child->callback(&record.point, events);
    }
    for (const core::PlacedGauge& placed : core::model().panel) {
        core::check_guards(placed);
        core::check_host_fields(placed);
    }
    return calls;
}

const host::MouseRect* Host::mouse_area(std::string_view gauge_name, int x, int y) const {
    return core::mouse_child_at(gauge(gauge_name), x, y);
}

std::vector<const host::MouseRect*> Host::mouse_areas(std::string_view gauge_name) const {
    return core::mouse_children(gauge(gauge_name));
}

int32_t Host::cursor_at(std::string_view gauge_name, int x, int y) const {
    const host::MouseRect* child = core::mouse_child_at(gauge(gauge_name), x, y);
    return child != nullptr ? child->cursor : host::cursor::none;
}

// ------------------------------------------------------------------- outputs

std::vector<SoundCall> Host::take_sound_calls() {
    return std::exchange(core::model().sound_calls, {});
}

void Host::time_sound_calls(bool timed) {
    core::model().time_sound_calls = timed;
}

const std::vector<SoundCall>& Host::sound_calls() const {
    return core::model().sound_calls;
}

std::vector<KeyEvent> Host::take_key_events() {
    return std::exchange(core::model().key_events, {});
}

const std::vector<ElementOperation>& Host::element_operations() const {
    return core::model().element_operations;
}

void Host::clear_element_operations() {
    core::model().element_operations.clear();
}

const std::vector<std::string>& Host::faults() const {
    return core::model().faults;
}

std::vector<Output> Host::take_outputs() {
    return std::exchange(core::model().outputs, {});
}

// --------------------------------------- the sound library and host component

void Host::set_sound_library(SoundLibrary mode) {
    binding::set_sound_library(mode);
}

bool Host::sound_library_loaded() const {
    return binding::sound_library_loaded();
}

void Host::hold_sound_library(bool hold) {
    binding::hold_sound_library(hold);
}

int Host::module_sound_references() const {
    return binding::module_sound_references();
}

std::vector<std::string> Host::take_loader_calls() {
    std::vector<std::string> calls;
    for (const LoaderCall& call : std::exchange(core::model().loader_calls, {})) {
        calls.push_back(describe(call));
    }
    return calls;
}

// The status bytes are kept by the model and written again whenever the host
// component comes back, as a fresh copy of it starts zeroed.
void Host::set_host_component(bool present) {
    binding::set_host_component(present);
    if (present) core::write_status(core::model());
}

void Host::set_status_bytes(uint8_t at_2848, uint8_t at_2852, uint8_t at_3400) {
    const uint8_t status[] = {at_2848, at_2852, at_3400};
    std::copy(std::begin(status), std::end(status), core::model().status);
    core::write_status(core::model());
}

bool Host::bitmap_resource(int32_t id, int* width, int* height, int* bits_per_pixel) const {
    return binding::bitmap_resource(id, width, height, bits_per_pixel);
}

}  // namespace hostmodel

// The platform-independent core of the host model: placing gauges, running
// frames, the drawn state of elements and the recorded outputs.
#include "hostmodel/host_model.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <stdexcept>

#include "hostmodel/binding.h"
#include "hostmodel/host_component.h"
#include "hostmodel/host_fields.h"
#include "hostmodel/model_state.h"
#include "hostmodel/needle_geometry.h"
#include "module/convert.h"
#include "module/element_chain.h"

namespace hostmodel {
namespace core {
namespace {

// Bytes behind every text buffer that the module must leave as they are.
constexpr std::size_t guard_size = 16;
constexpr char guard_byte        = static_cast<char>(0xA5);

// The root of a gauge's element chain, or NULL.
host::ElementHeader* root(const host::GaugeHeader* gauge) {
    return gauge->elements != nullptr ? *gauge->elements : nullptr;
}

template <typename Record>
Record* as(host::ElementHeader* element) {
    return reinterpret_cast<Record*>(element);
}

template <typename Record>
const Record* as(const host::ElementHeader* element) {
    return reinterpret_cast<const Record*>(element);
}

void refresh_if_set(host::TokenVar& record) {
    if (record.id != 0) refresh(&record);
}

double call_or(host::ElementCallback callback, host::ElementHeader* element, double otherwise) {
    return callback != nullptr ? callback(element) : otherwise;
}

// ------------------------------------------------- what the host does per kind

void prepare_needle(PlacedGauge&, PlacedElement& placed) {
    host::Needle& needle = *as<host::Needle>(placed.record);
    needle::fill_row_angles(needle.header.position,
                            std::span<host::NeedleRow>(needle.table, needle.row_count));
}

void update_needle(PlacedElement& placed, bool first_update) {
    host::Needle& needle = *as<host::Needle>(placed.record);
    ElementState& state  = *placed.state;
    refresh_if_set(needle.source);
    state.value = call_or(needle.callback, &needle.header, needle.source.value);
    const std::span<const host::NeedleRow> rows(needle.table, needle.row_count);
    const double target =
        needle::target_angle(needle.header.position, rows, state.value, state.angle);
    state.angle = first_update ? target : needle::turn(state.angle, target, needle.turn_limit);
}

void update_icon(PlacedElement& placed, bool) {
    host::Icon& icon    = *as<host::Icon>(placed.record);
    ElementState& state = *placed.state;
    refresh_if_set(icon.source);
    state.value = call_or(icon.callback, &icon.header, icon.source.value);
    state.image = module::truncate_to<int32_t>(state.value);
}

// An icon draws the image it shows: the bitmap after its own by that many.
// Wraps instead of overflowing for images the module could never have.
int32_t icon_bitmap(const PlacedElement& placed) {
    return static_cast<int32_t>(static_cast<uint32_t>(placed.record->bitmap_id) +
                                static_cast<uint32_t>(placed.state->image));
}

// Gives a string element its text buffer, as long as the record's longest
// text, with the guard zone behind it, and stores it in the record.
void prepare_string(PlacedGauge& gauge, PlacedElement& placed) {
    host::String& string = *as<host::String>(placed.record);
    TextBuffer text{.element  = &string,
                    .index    = placed.index,
                    .capacity = string.longest_text,
                    .storage  = std::make_unique<char[]>(string.longest_text + guard_size)};
    std::fill_n(text.storage.get() + text.capacity, guard_size, guard_byte);
    string.text = text.storage.get();
    gauge.texts.push_back(std::move(text));
}

void update_string(PlacedElement& placed, bool) {
    host::String& string = *as<host::String>(placed.record);
    refresh_if_set(string.sources[0]);
    placed.state->value = call_or(string.callback, &string.header, string.sources[0].value);
}

// A string is drawn into its box, not from a bitmap.
host::BoxSize string_box(const host::ElementHeader* element) {
    return as<host::String>(element)->box;
}

// The axis a moving image moves along: the vertical one unless its range is 0..0.
bool moves_vertically(const host::MovingImage& image) {
    return image.y.min != 0 || image.y.max != 0;
}

void update_moving_image(PlacedElement& placed, bool) {
    host::MovingImage& image = *as<host::MovingImage>(placed.record);
    ElementState& state      = *placed.state;
    refresh_if_set(image.x.source);
    refresh_if_set(image.y.source);
    state.x_value = call_or(image.x_callback, &image.header, image.x.source.value);
    state.y_value = call_or(image.y_callback, &image.header, image.y.source.value);
    state.value   = moves_vertically(image) ? state.y_value : state.x_value;
}

// What the host does with one kind of element. Every hook is optional:
//   prepare     at placing, before the gauge hears of it;
//   update      once per frame: refresh the sources, call the callbacks, keep the results;
//   bitmap      the bitmap drawn, where it is not the element's own;
//   box         the box drawn into, for kinds drawn without a bitmap.
struct ElementOps {
    void (*prepare)(PlacedGauge& gauge, PlacedElement& placed) = nullptr;
    void (*update)(PlacedElement& placed, bool first_update)   = nullptr;
    int32_t (*bitmap)(const PlacedElement& placed)             = nullptr;
    host::BoxSize (*box)(const host::ElementHeader* element)   = nullptr;
};

// clang-format off
const ElementOps static_image_ops = {};

const ElementOps needle_ops = {
    .prepare = prepare_needle,
    .update  = update_needle,
};

const ElementOps string_ops = {
    .prepare = prepare_string,
    .update  = update_string,
    .box     = string_box,
};

const ElementOps icon_ops = {
    .update  = update_icon,
    .bitmap  = icon_bitmap,
};

const ElementOps moving_image_ops = {
    .update  = update_moving_image,
};
// clang-format on

// The operations of an element's kind; a kind the host does not know gets
// the static image's, which do nothing but draw.
const ElementOps& ops_of(const host::ElementHeader* element) {
    switch (element->type) {
        case host::element_type::needle:
            return needle_ops;
        case host::element_type::string:
            return string_ops;
        case host::element_type::icon:
            return icon_ops;
        case host::element_type::moving_image:
            return moving_image_ops;
        default:
            return static_image_ops;
    }
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

void record_sound_call(SoundCall::Kind kind, const char* file, const char* key, int32_t loop) {
    const std::string key_text = key != nullptr ? key : "";
    SoundCall call;
    switch (kind) {
        case SoundCall::Kind::play:
            call = play(file != nullptr ? file : "", key_text, loop);
            break;
        case SoundCall::Kind::stop:
            call = stop(key_text);
            break;
        case SoundCall::Kind::terminate:
            call = terminate();
            break;
    }
    if (kind != SoundCall::Kind::terminate) call.key_buffer = key;
    record_output(call);
    model().sound_calls.push_back(std::move(call));
}

void record_fault(std::string fault) {
    model().faults.push_back(std::move(fault));
}

void check_load_library(Provided requested) {
    if (requested == Provided::host_component) record_fault("the module loaded the host component");
}

bool check_proc_address(const HandleFacts& module) {
    if (module.module != Provided::none && module.loaded) return true;
    record_fault("GetProcAddress on a module that is not loaded");
    return false;
}

bool check_free_library(const HandleFacts& module) {
    if (module.module == Provided::sound_library && module.loaded && module.module_references > 0) {
        return true;
    }
    record_fault("FreeLibrary of a module the module holds no reference on");
    return false;
}

bool check_sound_call(SoundCall::Kind kind, bool library_loaded) {
    if (library_loaded) return true;
    const char* entry = "TerminateSounds";
    if (kind == SoundCall::Kind::play) entry = "GaugePlaySound";
    if (kind == SoundCall::Kind::stop) entry = "GaugeStopSound";
    record_fault(std::string(entry) + " called after its library left the process");
    return false;
}

void record_loader_call(LoaderCall call) {
    record_output(call);
    model().loader_calls.push_back(std::move(call));
}

void record_output(Output output) {
    model().outputs.push_back(std::move(output));
}

}  // namespace core

// ------------------------------------------------------------- sound calls

SoundCall play(std::string file, std::string key, int32_t loop) {
    return {.kind = SoundCall::Kind::play,
            .file = std::move(file),
            .key  = std::move(key),
            .loop = loop};
}

SoundCall stop(std::string key) {
    return {.kind = SoundCall::Kind::stop, .file = {}, .key = std::move(key)};
}

SoundCall terminate() {
    return {.kind = SoundCall::Kind::terminate, .file = {}, .key = {}};
}

std::string describe(const SoundCall& call) {
    switch (call.kind) {
        case SoundCall::Kind::play:
            return "play(\"" + call.file + "\", \"" + call.key + "\", " +
                   std::to_string(call.loop) + ")";
        case SoundCall::Kind::stop:
            return "stop(\"" + call.key + "\")";
        case SoundCall::Kind::terminate:
            return "terminate()";
    }
    return "unknown sound call";
}

std::string describe(const LoaderCall& call) {
    switch (call.kind) {
        case LoaderCall::Kind::load_library:
            return "LoadLibraryA(" + call.name + ")";
        case LoaderCall::Kind::module_handle:
            return "GetModuleHandleA(" + call.name + ")";
        case LoaderCall::Kind::proc_address:
            return "GetProcAddress(" + call.name + ")";
        case LoaderCall::Kind::free_library:
            return "FreeLibrary(" + call.name + ")";
    }
    return "unknown loader call";
}

std::ostream& operator<<(std::ostream& out, const SoundCall& call) {
    return out << describe(call);
}

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

// ------------------------------------------------------ drawn element state

namespace {

// The state the host keeps of an element; all zero for one never placed.
const core::ElementState& state_of(const host::ElementHeader* element) {
    static const core::ElementState never_placed;
    const auto found = core::model().element_states.find(element);
    return found != core::model().element_states.end() ? found->second : never_placed;
}

template <typename Record>
const Record& typed(const host::ElementHeader* element, uint32_t type, std::string_view gauge,
                    int n) {
    if (element->type != type) {
        throw std::invalid_argument(std::string(gauge) + " element " + std::to_string(n) +
                                    " is of type " + std::to_string(element->type) + ", not " +
                                    std::to_string(type));
    }
    return *core::as<Record>(element);
}

}  // namespace

double Host::value(std::string_view gauge_name, int n) const {
    return state_of(element(gauge_name, n)).value;
}

double Host::angle(std::string_view gauge_name, int n) const {
    const host::ElementHeader* e = element(gauge_name, n);
    typed<host::Needle>(e, host::element_type::needle, gauge_name, n);
    return state_of(e).angle;
}

double Host::angle_towards(std::string_view gauge_name, int n, host::PixelPoint point) const {
    return needle::direction(element(gauge_name, n)->position, point);
}

int Host::icon_image(std::string_view gauge_name, int n) const {
    const host::ElementHeader* e = element(gauge_name, n);
    typed<host::Icon>(e, host::element_type::icon, gauge_name, n);
    return state_of(e).image;
}

double Host::moving_fraction(std::string_view gauge_name, int n) const {
    const host::ElementHeader* e = element(gauge_name, n);
    const host::MovingImage& image =
        typed<host::MovingImage>(e, host::element_type::moving_image, gauge_name, n);
    const bool vertical          = core::moves_vertically(image);
    const host::MovingAxis& axis = vertical ? image.y : image.x;
    const core::ElementState& s  = state_of(e);
    const double value           = vertical ? s.y_value : s.x_value;
    return (value - axis.min) / (axis.max - axis.min);
}

std::string Host::text(std::string_view gauge_name, int n) const {
    const host::String& string =
        typed<host::String>(element(gauge_name, n), host::element_type::string, gauge_name, n);
    if (string.text == nullptr) return {};
    return std::string(string.text, strnlen(string.text, string.longest_text));
}

bool Host::hidden(std::string_view gauge_name, int n) const {
    return (image_flags(gauge_name, n) & host::image_flag::hidden) != 0;
}

uint32_t Host::image_flags(std::string_view gauge_name, int n) const {
    return element(gauge_name, n)->image_flags;
}

const std::vector<DrawnElement>& Host::drawn(std::string_view gauge_name) const {
    static const std::vector<DrawnElement> nothing;
    const auto found = core::model().drawings.find(gauge_name);
    return found != core::model().drawings.end() ? found->second : nothing;
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

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
#include "hostmodel/model_state.h"
#include "hostmodel/needle_geometry.h"
#include "module/convert.h"
#include "module/element_chain.h"

namespace hostmodel {
namespace core {
namespace {

// Bytes behind every text buffer that the module must leave as they are.
constexpr std::size_t guard_size      = 16;
constexpr char guard_byte             = static_cast<char>(0xA5);
constexpr uint32_t default_text_bytes = 64;

// The root of a gauge's element chain, or NULL.
host::ElementHeader* root(const host::GaugeHeader* gauge) {
    return gauge->elements != nullptr ? *gauge->elements : nullptr;
}

// Calls visit(element, index) for each element down the chain from the root.
template <typename Visit>
void for_each_element(const host::GaugeHeader* gauge, Visit visit) {
    int index = 0;
    for (host::ElementHeader* element = root(gauge); element != nullptr;
         element                      = module::next_in_chain(element)) {
        visit(element, index++);
    }
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

void prepare_needle(PlacedGauge&, host::ElementHeader* element, int) {
    host::Needle& needle = *as<host::Needle>(element);
    needle::fill_row_angles(needle.header.position,
                            std::span<host::NeedleRow>(needle.table, needle.row_count));
}

void update_needle(host::ElementHeader* element, bool first_update) {
    host::Needle& needle = *as<host::Needle>(element);
    refresh_if_set(needle.source);
    needle.host_value = call_or(needle.callback, &needle.header, needle.source.value);
    const std::span<const host::NeedleRow> rows(needle.table, needle.row_count);
    const double target =
        needle::target_angle(needle.header.position, rows, needle.host_value, needle.host_angle);
    needle.host_angle =
        first_update ? target : needle::turn(needle.host_angle, target, needle.turn_limit);
}

double needle_value(const host::ElementHeader* element) {
    return as<host::Needle>(element)->host_value;
}

void update_icon(host::ElementHeader* element, bool) {
    host::Icon& icon = *as<host::Icon>(element);
    refresh_if_set(icon.source);
    icon.host_value = call_or(icon.callback, &icon.header, icon.source.value);
    icon.host_image = module::truncate_to<int32_t>(icon.host_value);
}

double icon_value(const host::ElementHeader* element) {
    return as<host::Icon>(element)->host_value;
}

// An icon draws the image it shows: the bitmap after its own by that many.
// Wraps instead of overflowing for images the module could never have.
int32_t icon_bitmap(const host::ElementHeader* element) {
    return static_cast<int32_t>(static_cast<uint32_t>(element->bitmap_id) +
                                static_cast<uint32_t>(as<host::Icon>(element)->host_image));
}

// Gives a string element its text buffer, with the guard zone behind it.
void prepare_string(PlacedGauge& placed, host::ElementHeader* element, int index) {
    host::String& string       = *as<host::String>(element);
    const std::size_t capacity = string.capacity != 0 ? string.capacity : default_text_bytes;
    TextBuffer text{.element  = &string,
                    .index    = index,
                    .capacity = capacity,
                    .storage  = std::make_unique<char[]>(capacity + guard_size)};
    std::fill_n(text.storage.get() + capacity, guard_size, guard_byte);
    string.text = text.storage.get();
    placed.texts.push_back(std::move(text));
}

void update_string(host::ElementHeader* element, bool) {
    host::String& string = *as<host::String>(element);
    refresh_if_set(string.sources[0]);
    string.host_value = call_or(string.callback, &string.header, string.sources[0].value);
}

double string_value(const host::ElementHeader* element) {
    return as<host::String>(element)->host_value;
}

// A string is drawn into its box, not from a bitmap.
host::BoxSize string_box(const host::ElementHeader* element) {
    return as<host::String>(element)->box;
}

// The axis a moving image moves along: the vertical one unless its range is 0..0.
bool moves_vertically(const host::MovingImage& image) {
    return image.y.min != 0 || image.y.max != 0;
}

void update_moving_image(host::ElementHeader* element, bool) {
    host::MovingImage& image = *as<host::MovingImage>(element);
    refresh_if_set(image.x.source);
    refresh_if_set(image.y.source);
    image.host_x_value = call_or(image.x.callback, &image.header, image.x.source.value);
    image.host_y_value = call_or(image.y.callback, &image.header, image.y.source.value);
}

double moving_image_value(const host::ElementHeader* element) {
    const host::MovingImage& image = *as<host::MovingImage>(element);
    return moves_vertically(image) ? image.host_y_value : image.host_x_value;
}

// What the host does with one kind of element. Every hook is optional:
//   prepare     at placing, before the gauge hears of it;
//   update      once per frame: refresh the source, call the callback, keep the result;
//   value       the result the last update kept (0 without the hook);
//   bitmap      the bitmap drawn, where it is not the element's own;
//   box         the box drawn into, for kinds drawn without a bitmap.
struct ElementOps {
    void (*prepare)(PlacedGauge& placed, host::ElementHeader* element, int index) = nullptr;
    void (*update)(host::ElementHeader* element, bool first_update)               = nullptr;
    double (*value)(const host::ElementHeader* element)                           = nullptr;
    int32_t (*bitmap)(const host::ElementHeader* element)                         = nullptr;
    host::BoxSize (*box)(const host::ElementHeader* element)                      = nullptr;
};

// clang-format off
const ElementOps static_image_ops = {};

const ElementOps needle_ops = {
    .prepare = prepare_needle,
    .update  = update_needle,
    .value   = needle_value,
};

const ElementOps string_ops = {
    .prepare = prepare_string,
    .update  = update_string,
    .value   = string_value,
    .box     = string_box,
};

const ElementOps icon_ops = {
    .update  = update_icon,
    .value   = icon_value,
    .bitmap  = icon_bitmap,
};

const ElementOps moving_image_ops = {
    .update  = update_moving_image,
    .value   = moving_image_value,
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

void update_gauge(PlacedGauge& placed) {
    const bool first_update = !placed.updated;
    for_each_element(placed.header, [&](host::ElementHeader* element, int) {
        const ElementOps& ops = ops_of(element);
        if (ops.update != nullptr) ops.update(element, first_update);
        check_guards(placed);
    });
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

DrawnElement drawn_element(const PlacedGauge& placed, const host::ElementHeader* element,
                           int index) {
    const ElementOps& ops = ops_of(element);
    DrawnElement drawn{.index = index, .bitmap_id = element->bitmap_id, .width = 0, .height = 0};
    if (ops.box != nullptr) {
        const host::BoxSize box = ops.box(element);
        drawn.width             = box.width;
        drawn.height            = box.height;
        return drawn;
    }
    if (ops.bitmap != nullptr) drawn.bitmap_id = ops.bitmap(element);
    int bits = 0;
    if (!binding::bitmap_resource(drawn.bitmap_id, &drawn.width, &drawn.height, &bits)) {
        record_fault_once("missing bitmap " + hex(drawn.bitmap_id) + " in " + placed.name +
                          " element " + std::to_string(index));
    }
    return drawn;
}

void draw_gauge(const PlacedGauge& placed) {
    std::vector<DrawnElement>& drawn = model().drawings[placed.name];
    drawn.clear();
    for_each_element(placed.header, [&](host::ElementHeader* element, int index) {
        if ((element->image_flags & host::image_flag::hidden) != 0) return;
        drawn.push_back(drawn_element(placed, element, index));
    });
}

void prepare_elements(PlacedGauge& placed) {
    for_each_element(placed.header, [&](host::ElementHeader* element, int index) {
        const ElementOps& ops = ops_of(element);
        if (ops.prepare != nullptr) ops.prepare(placed, element, index);
    });
}

void release_elements(PlacedGauge& placed) {
    for (TextBuffer& text : placed.texts) text.element->text = nullptr;
    placed.texts.clear();
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
    core::PlacedGauge& placed = core::model().panel.emplace_back(core::PlacedGauge{
        .name = std::string(name), .header = header, .updated = false, .texts = {}});
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
        host::PixelPoint point{x, y};
        child->callback(&point, events);
    }
    for (const core::PlacedGauge& placed : core::model().panel) core::check_guards(placed);
    return calls;
}

const host::MouseRect* Host::mouse_area(std::string_view gauge_name, int x, int y) const {
    return core::mouse_child_at(gauge(gauge_name), x, y);
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

double Host::value(std::string_view gauge_name, int n) const {
    const host::ElementHeader* e = element(gauge_name, n);
    const core::ElementOps& ops  = core::ops_of(e);
    return ops.value != nullptr ? ops.value(e) : 0.0;
}

namespace {

template <typename Record>
Record& typed(host::ElementHeader* element, uint32_t type, std::string_view gauge, int n) {
    if (element->type != type) {
        throw std::invalid_argument(std::string(gauge) + " element " + std::to_string(n) +
                                    " is of type " + std::to_string(element->type) + ", not " +
                                    std::to_string(type));
    }
    return *core::as<Record>(element);
}

}  // namespace

double Host::angle(std::string_view gauge_name, int n) const {
    return typed<host::Needle>(element(gauge_name, n), host::element_type::needle, gauge_name, n)
        .host_angle;
}

double Host::angle_towards(std::string_view gauge_name, int n, host::PixelPoint point) const {
    return needle::direction(element(gauge_name, n)->position, point);
}

int Host::icon_image(std::string_view gauge_name, int n) const {
    return typed<host::Icon>(element(gauge_name, n), host::element_type::icon, gauge_name, n)
        .host_image;
}

double Host::moving_fraction(std::string_view gauge_name, int n) const {
    const host::MovingImage& image = typed<host::MovingImage>(
        element(gauge_name, n), host::element_type::moving_image, gauge_name, n);
    const bool vertical          = core::moves_vertically(image);
    const host::MovingAxis& axis = vertical ? image.y : image.x;
    const double value           = vertical ? image.host_y_value : image.host_x_value;
    return (value - axis.min) / (axis.max - axis.min);
}

std::string Host::text(std::string_view gauge_name, int n) const {
    const host::String& string =
        typed<host::String>(element(gauge_name, n), host::element_type::string, gauge_name, n);
    if (string.text == nullptr) return {};
    const std::size_t capacity = string.capacity != 0 ? string.capacity : core::default_text_bytes;
    return std::string(string.text, strnlen(string.text, capacity));
}

bool Host::hidden(std::string_view gauge_name, int n) const {
    return (element(gauge_name, n)->image_flags & host::image_flag::hidden) != 0;
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

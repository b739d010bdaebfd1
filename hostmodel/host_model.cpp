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

namespace hostmodel {
namespace core {
namespace {

Model* current = nullptr;

// Bytes behind every text buffer that the module must leave as they are.
constexpr std::size_t guard_size      = 16;
constexpr char guard_byte             = static_cast<char>(0xA5);
constexpr uint32_t default_text_bytes = 64;

// The element `n` steps down the chain from the root, or NULL.
host::ElementHeader* nth(const host::GaugeHeader* gauge, int n) {
    host::ElementHeader* element = gauge->elements != nullptr ? *gauge->elements : nullptr;
    for (int step = 0; step < n && element != nullptr; ++step) {
        element = element->next != nullptr ? element->next[0] : nullptr;
    }
    return element;
}

host::ElementHeader* next_of(const host::ElementHeader* element) {
    return element->next != nullptr ? element->next[0] : nullptr;
}

// Calls visit(element, index) for each element down the chain from the root.
template <typename Visit>
void for_each_element(const host::GaugeHeader* gauge, Visit visit) {
    int index = 0;
    for (host::ElementHeader* element = nth(gauge, 0); element != nullptr;
         element                      = next_of(element)) {
        visit(element, index++);
    }
}

template <typename Record>
Record* as(host::ElementHeader* element) {
    return reinterpret_cast<Record*>(element);
}

void refresh_if_set(host::TokenVar& record) {
    if (record.id != 0) refresh(&record);
}

double call_or(host::ElementCallback callback, host::ElementHeader* element, double otherwise) {
    return callback != nullptr ? callback(element) : otherwise;
}

void update_needle(host::Needle& needle, bool first_update) {
    refresh_if_set(needle.source);
    needle.host_value = call_or(needle.callback, &needle.header, needle.source.value);
    const std::span<const host::NeedleRow> rows(needle.table, needle.row_count);
    const double target =
        needle::target_angle(needle.header.position, rows, needle.host_value, needle.host_angle);
    needle.host_angle =
        first_update ? target : needle::turn(needle.host_angle, target, needle.turn_limit);
}

void update_icon(host::Icon& icon) {
    refresh_if_set(icon.source);
    icon.host_value = call_or(icon.callback, &icon.header, icon.source.value);
    icon.host_image = module::truncate_to<int32_t>(icon.host_value);
}

void update_string(host::String& string) {
    refresh_if_set(string.sources[0]);
    string.host_value = call_or(string.callback, &string.header, string.sources[0].value);
}

// The axis a moving image moves along: the vertical one unless its range is 0..0.
bool moves_vertically(const host::MovingImage& image) {
    return image.y.min != 0 || image.y.max != 0;
}

void update_moving_image(host::MovingImage& image) {
    refresh_if_set(image.x.source);
    refresh_if_set(image.y.source);
    image.host_x_value = call_or(image.x.callback, &image.header, image.x.source.value);
    image.host_y_value = call_or(image.y.callback, &image.header, image.y.source.value);
}

void update_element(host::ElementHeader* element, bool first_update) {
    switch (element->type) {
        case host::element_type::needle:
            update_needle(*as<host::Needle>(element), first_update);
            break;
        case host::element_type::icon:
            update_icon(*as<host::Icon>(element));
            break;
        case host::element_type::string:
            update_string(*as<host::String>(element));
            break;
        case host::element_type::moving_image:
            update_moving_image(*as<host::MovingImage>(element));
            break;
        default:
            break;
    }
}

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
        update_element(element, first_update);
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
    if (std::find(current->faults.begin(), current->faults.end(), fault) == current->faults.end()) {
        record_fault(std::move(fault));
    }
}

DrawnElement drawn_element(const PlacedGauge& placed, host::ElementHeader* element, int index) {
    DrawnElement drawn{.index = index, .bitmap_id = element->bitmap_id, .width = 0, .height = 0};
    if (element->type == host::element_type::string) {
        const host::String& string = *as<host::String>(element);
        drawn.width                = string.box.width;
        drawn.height               = string.box.height;
        return drawn;
    }
    if (element->type == host::element_type::icon) {
        // Wraps instead of overflowing for images the module could never have.
        drawn.bitmap_id =
            static_cast<int32_t>(static_cast<uint32_t>(drawn.bitmap_id) +
                                 static_cast<uint32_t>(as<host::Icon>(element)->host_image));
    }
    int bits = 0;
    if (!binding::bitmap_resource(drawn.bitmap_id, &drawn.width, &drawn.height, &bits)) {
        record_fault_once("missing bitmap " + hex(drawn.bitmap_id) + " in " + placed.name +
                          " element " + std::to_string(index));
    }
    return drawn;
}

void draw_gauge(const PlacedGauge& placed) {
    std::vector<DrawnElement>& drawn = current->drawings[placed.name];
    drawn.clear();
    for_each_element(placed.header, [&](host::ElementHeader* element, int index) {
        if ((element->image_flags & host::image_flag::hidden) != 0) return;
        drawn.push_back(drawn_element(placed, element, index));
    });
}

// Gives every string element its text buffer and every needle table its row angles.
void prepare_elements(PlacedGauge& placed) {
    for_each_element(placed.header, [&](host::ElementHeader* element, int index) {
        if (element->type == host::element_type::needle) {
            host::Needle& needle = *as<host::Needle>(element);
            needle::fill_row_angles(needle.header.position,
                                    std::span<host::NeedleRow>(needle.table, needle.row_count));
        }
        if (element->type != host::element_type::string) return;
        host::String& string       = *as<host::String>(element);
        const std::size_t capacity = string.capacity != 0 ? string.capacity : default_text_bytes;
        TextBuffer text{.element  = &string,
                        .index    = index,
                        .capacity = capacity,
                        .storage  = std::make_unique<char[]>(capacity + guard_size)};
        std::fill_n(text.storage.get() + capacity, guard_size, guard_byte);
        string.text = text.storage.get();
        placed.texts.push_back(std::move(text));
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
    return std::find_if(current->panel.begin(), current->panel.end(),
                        [&](const PlacedGauge& g) { return g.name == name; });
}

void sync_placed_names() {
    current->placed_names.clear();
    for (const PlacedGauge& g : current->panel) current->placed_names.push_back(g.name);
}

}  // namespace

void write_status(const Model& m) {
    for (std::size_t i = 0; i < std::size(component::status_offsets); ++i) {
        binding::write_status_byte(component::status_offsets[i], m.status[i]);
    }
}

Model& model() {
    return *current;
}

void record_sound_call(SoundCall call) {
    current->sound_calls.push_back(std::move(call));
}

void record_fault(std::string fault) {
    current->faults.push_back(std::move(fault));
}

}  // namespace core

struct Host::State : core::Model {};

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

std::ostream& operator<<(std::ostream& out, const SoundCall& call) {
    return out << describe(call);
}

// ------------------------------------------------------------------ the host

Host& Host::instance() {
    static Host host;
    return host;
}

Host::Host() : state_(new State) {
    core::current = state_;
    std::copy(std::begin(component::default_status), std::end(component::default_status),
              state_->status);
    binding::set_sound_library(SoundLibrary::present);
    set_host_component(true);
    const binding::LoadedModule loaded = binding::load_module();
    state_->import_table               = loaded.import_table;
    state_->linkage                    = loaded.linkage;
    if (state_->import_table->panels.id != host::panels_entry_id) {
        core::record_fault("ImportTable does not start with the panels entry");
    }
    core::fill_services(state_->services);
    state_->import_table->panels.table = &state_->services;
    if (state_->linkage->module_start != nullptr) state_->linkage->module_start();
}

const host::LinkageRecord& Host::linkage() const {
    return *state_->linkage;
}

host::ImportTableRecord& Host::import_table() const {
    return *state_->import_table;
}

host::GaugeHeader* Host::gauge(std::string_view name) const {
    for (host::GaugeHeader* const* g = state_->linkage->gauges; *g != nullptr; ++g) {
        if ((*g)->name != nullptr && name == (*g)->name) return *g;
    }
    throw std::invalid_argument("no gauge named " + std::string(name) + " in Linkage");
}

host::ElementHeader* Host::element(std::string_view gauge_name, int n) const {
    host::ElementHeader* element = core::nth(gauge(gauge_name), n);
    if (element == nullptr) {
        throw std::invalid_argument(std::string(gauge_name) + " has no element " +
                                    std::to_string(n));
    }
    return element;
}

// ----------------------------------------------------------------- the panel

void Host::place(std::string_view name) {
    host::GaugeHeader* header = gauge(name);
    if (core::find_placed(name) != state_->panel.end()) {
        core::record_fault(std::string(name) + " placed twice");
        return;
    }
    core::PlacedGauge& placed = state_->panel.emplace_back(core::PlacedGauge{
        .name = std::string(name), .header = header, .updated = false, .texts = {}});
    core::prepare_elements(placed);
    core::sync_placed_names();
    state_->drawings[placed.name].clear();
    core::send(header, host::service::install);
    core::send(header, host::service::initialize);
    core::send(header, host::service::connect_to_window);
}

void Host::remove(std::string_view name) {
    const auto placed = core::find_placed(name);
    if (placed == state_->panel.end()) {
        core::record_fault(std::string(name) + " removed but not placed");
        return;
    }
    core::send(placed->header, host::service::pre_kill);
    core::release_elements(*placed);
    state_->panel.erase(placed);
    core::sync_placed_names();
}

void Host::remove_all() {
    while (!state_->panel.empty()) remove(std::string(state_->panel.front().name));
}

void Host::connect_to_window(std::string_view name) {
    service(name, host::service::connect_to_window);
}

void Host::service(std::string_view name, int32_t code) {
    core::send(gauge(name), code);
}

void Host::frame() {
    for (core::PlacedGauge& placed : state_->panel) {
        core::send(placed.header, host::service::pre_update);
        core::update_gauge(placed);
    }
    for (const core::PlacedGauge& placed : state_->panel) {
        core::send(placed.header, host::service::pre_draw);
        core::draw_gauge(placed);
    }
}

void Host::frames(int count) {
    for (int i = 0; i < count; ++i) frame();
}

const std::vector<std::string>& Host::placed() const {
    return state_->placed_names;
}

// -------------------------------------------------------------------- inputs

void Host::set_token(uint32_t id, double value) {
    state_->tokens[id] = value;
}

double Host::token(uint32_t id) const {
    const auto found = state_->tokens.find(id);
    return found != state_->tokens.end() ? found->second : 0.0;
}

void Host::set_named(const std::string& name, double value) {
    for (auto& [known, stored] : state_->named) {
        if (known == name) {
            stored = value;
            return;
        }
    }
    state_->named.emplace_back(name, value);
}

double Host::named(const std::string& name) const {
    for (const auto& [known, stored] : state_->named) {
        if (known == name) return stored;
    }
    return 0.0;
}

bool Host::named_exists(const std::string& name) const {
    return std::any_of(state_->named.begin(), state_->named.end(),
                       [&](const auto& entry) { return entry.first == name; });
}

int Host::click(std::string_view gauge_name, int x, int y, uint32_t events, int repeats) {
    if (core::find_placed(gauge_name) == state_->panel.end()) {
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
    for (const core::PlacedGauge& placed : state_->panel) core::check_guards(placed);
    return calls;
}

int32_t Host::cursor_at(std::string_view gauge_name, int x, int y) const {
    const host::MouseRect* child = core::mouse_child_at(gauge(gauge_name), x, y);
    return child != nullptr ? child->cursor : host::cursor::none;
}

// ------------------------------------------------------------------- outputs

std::vector<SoundCall> Host::take_sound_calls() {
    return std::exchange(state_->sound_calls, {});
}

const std::vector<SoundCall>& Host::sound_calls() const {
    return state_->sound_calls;
}

std::vector<KeyEvent> Host::take_key_events() {
    return std::exchange(state_->key_events, {});
}

const std::vector<ElementOperation>& Host::element_operations() const {
    return state_->element_operations;
}

void Host::clear_element_operations() {
    state_->element_operations.clear();
}

const std::vector<std::string>& Host::faults() const {
    return state_->faults;
}

// ------------------------------------------------------ drawn element state

double Host::value(std::string_view gauge_name, int n) const {
    host::ElementHeader* e = element(gauge_name, n);
    switch (e->type) {
        case host::element_type::needle:
            return core::as<host::Needle>(e)->host_value;
        case host::element_type::icon:
            return core::as<host::Icon>(e)->host_value;
        case host::element_type::string:
            return core::as<host::String>(e)->host_value;
        case host::element_type::moving_image: {
            const host::MovingImage& image = *core::as<host::MovingImage>(e);
            return core::moves_vertically(image) ? image.host_y_value : image.host_x_value;
        }
        default:
            return 0.0;
    }
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
    const auto found = state_->drawings.find(gauge_name);
    return found != state_->drawings.end() ? found->second : nothing;
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
    return binding::take_loader_calls();
}

// The status bytes are kept by the model and written again whenever the host
// component comes back, as a fresh copy of it starts zeroed.
void Host::set_host_component(bool present) {
    binding::set_host_component(present);
    if (present) core::write_status(*state_);
}

void Host::set_status_bytes(uint8_t at_2848, uint8_t at_2852, uint8_t at_3400) {
    const uint8_t status[] = {at_2848, at_2852, at_3400};
    std::copy(std::begin(status), std::end(status), state_->status);
    core::write_status(*state_);
}

bool Host::bitmap_resource(int32_t id, int* width, int* height, int* bits_per_pixel) const {
    return binding::bitmap_resource(id, width, height, bits_per_pixel);
}

}  // namespace hostmodel

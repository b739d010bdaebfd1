// The panel service table the model hands the module: the slots it serves and
// a fault-recording stub in every other one.
#include <array>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "hostmodel/binding.h"
#include "hostmodel/model_state.h"

namespace hostmodel::core {
namespace {

constexpr uint32_t absent_variable = 0xFFFFFFFF;

constexpr int slot_of(std::size_t offset) {
    return static_cast<int>(offset / sizeof(void*));
}

// A slot the module must never call.
template <int Slot>
void HOST_CALL unused_slot() {
    std::fprintf(stderr, "host model: slot %d called\n", Slot);
    record_fault("slot " + std::to_string(Slot) + " called");
}

template <int... Slot>
constexpr std::array<void*, sizeof...(Slot)> unused_slots(std::integer_sequence<int, Slot...>) {
    return {reinterpret_cast<void*>(&unused_slot<Slot>)...};
}

template <int Slot>
void record_operation(host::ElementHeader* root, uint32_t value) {
    model().element_operations.push_back({.slot = Slot, .root = root, .value = value});
}

template <int Slot>
void HOST_CALL element_operation(host::ElementHeader* root) {
    record_operation<Slot>(root, 0);
}

template <int Slot>
void HOST_CALL element_operation_with_value(host::ElementHeader* root, uint32_t value) {
    record_operation<Slot>(root, value);
}

void HOST_CALL send_key_event(uint32_t event, uint32_t value) {
    model().key_events.push_back({.id = event, .value = value});
    record_output(KeyEvent{.id = event, .value = value});
}

void HOST_CALL refresh_token_variable(host::TokenVar* record) {
    refresh(record);
}

uint32_t HOST_CALL find_named_variable(const char* name) {
    const auto& named = model().named;
    for (std::size_t id = 0; id < named.size(); ++id) {
        if (named[id].first == name) return static_cast<uint32_t>(id);
    }
    return absent_variable;
}

uint32_t HOST_CALL create_named_variable(const char* name) {
    const uint32_t found = find_named_variable(name);
    if (found != absent_variable) return found;
    model().named.emplace_back(name, 0.0);
    return static_cast<uint32_t>(model().named.size() - 1);
}

double HOST_CALL read_named_variable(uint32_t id) {
    const auto& named = model().named;
    return id < named.size() ? named[id].second : 0.0;
}

void HOST_CALL write_named_variable(uint32_t id, double value) {
    auto& named = model().named;
    if (id < named.size()) {
        named[id].second = value;
        record_output(NamedWrite{.name = named[id].first, .value = value});
    } else {
        record_fault("write to unknown named variable id " + std::to_string(id));
    }
}

}  // namespace

void refresh(host::TokenVar* record) {
    const auto& tokens     = model().tokens;
    const auto found       = tokens.find(record->id);
    record->previous_value = record->value;
    record->value          = found != tokens.end() ? found->second : 0.0;
}

void fill_services(host::PanelServices& services) {
    static_assert(sizeof(host::PanelServices) == host::panel_slot_count * sizeof(void*));
    using Table      = host::PanelServices;
    const auto stubs = unused_slots(std::make_integer_sequence<int, host::panel_slot_count>());
    std::memcpy(static_cast<void*>(&services), stubs.data(), sizeof services);
    services.query_elements = element_operation<slot_of(offsetof(Table, query_elements))>;
    services.install_elements =
        element_operation_with_value<slot_of(offsetof(Table, install_elements))>;
    services.initialize_elements = element_operation<slot_of(offsetof(Table, initialize_elements))>;
    services.update_elements     = element_operation<slot_of(offsetof(Table, update_elements))>;
    services.generate_elements =
        element_operation_with_value<slot_of(offsetof(Table, generate_elements))>;
    services.draw_elements          = element_operation<slot_of(offsetof(Table, draw_elements))>;
    services.kill_elements          = element_operation<slot_of(offsetof(Table, kill_elements))>;
    services.send_key_event         = send_key_event;
    services.refresh_token_variable = refresh_token_variable;
    services.find_named_variable    = find_named_variable;
    services.create_named_variable  = create_named_variable;
    services.read_named_variable    = read_named_variable;
    services.write_named_variable   = write_named_variable;
}

}  // namespace hostmodel::core

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

// The slot at a byte offset of the table, numbered as in the 32-bit table.
constexpr int slot_of(std::size_t offset) {
    return host::panel_first_slot +
           static_cast<int>((offset - sizeof(host::LinkagePrefix)) / sizeof(void*));
}
static_assert(slot_of(host::panel_slot_offset(24)) == 24);

// A slot the module must never call.
template <int Slot>
void HOST_CALL unused_slot() {
    std::fprintf(stderr, "host model: slot %d called\n", Slot);
    record_fault("slot " + std::to_string(Slot) + " called");
}

// The stubs of every slot after the table's Linkage prefix.
template <int... Index>
constexpr std::array<void*, sizeof...(Index)> unused_slots(std::integer_sequence<int, Index...>) {
    return {reinterpret_cast<void*>(&unused_slot<host::panel_first_slot + Index>)...};
}

template <int Slot>
void record_operation(host::ElementHeader* root, uintptr_t value) {
    model().element_operations.push_back({.slot = Slot, .root = root, .value = value});
}

template <int Slot>
void HOST_CALL element_operation(host::ElementHeader* root) {
    record_operation<Slot>(root, 0);
}

// The install (a resource handle) and generate (a 32-bit value) operations.
template <int Slot, typename Value>
void HOST_CALL element_operation_with_value(host::ElementHeader* root, Value value) {
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

// The table opens with the Linkage prefix as the host fills it, then a stub in
// every slot but those the module calls.
void fill_services(host::PanelServices& services) {
    using Table         = host::PanelServices;
    constexpr int stubs = host::panel_slot_count - host::panel_first_slot;
    static_assert(sizeof(Table) == sizeof(host::LinkagePrefix) + stubs * sizeof(void*));
    const auto unused = unused_slots(std::make_integer_sequence<int, stubs>());
    std::memcpy(reinterpret_cast<char*>(&services) + sizeof(host::LinkagePrefix), unused.data(),
                sizeof services - sizeof(host::LinkagePrefix));
    services.linkage        = {.module_id = host::module_id, .version = host::interface_version};
    services.query_elements = element_operation<slot_of(offsetof(Table, query_elements))>;
    services.install_elements =
        element_operation_with_value<slot_of(offsetof(Table, install_elements)),
                                     host::ResourceHandle>;
    services.initialize_elements = element_operation<slot_of(offsetof(Table, initialize_elements))>;
    services.update_elements     = element_operation<slot_of(offsetof(Table, update_elements))>;
    services.generate_elements =
        element_operation_with_value<slot_of(offsetof(Table, generate_elements)), uint32_t>;
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

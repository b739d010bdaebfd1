// What the host does with each kind of element, one table of operations per
// kind: at placing, at every update and at drawing.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/panel_interface.h"
#include "hostmodel/model_state.h"

namespace hostmodel::core {

// Bytes behind every text buffer that the module must leave as they are.
inline constexpr std::size_t guard_size = 16;
inline constexpr char guard_byte        = static_cast<char>(0xA5);

template <typename Record>
Record* as(host::ElementHeader* element) {
    return reinterpret_cast<Record*>(element);
}

template <typename Record>
const Record* as(const host::ElementHeader* element) {
    return reinterpret_cast<const Record*>(element);
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

// The operations of an element's kind; a kind the host does not know gets
// the static image's, which do nothing but draw.
const ElementOps& ops_of(const host::ElementHeader* element);

// The axis a moving image moves along: the vertical one unless its range is 0..0.
bool moves_vertically(const host::MovingImage& image);

}  // namespace hostmodel::core

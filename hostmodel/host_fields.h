// The fields of each element record that the host keeps for itself: the
// previous position and element of the header, the pointer and value type of
// every source record, and each type's handles, saved images and previous
// values. The host fills them once a gauge is installed, so the model fills
// them with a recognisable pattern when it places a gauge and checks after
// every frame that nothing else has changed them: a record that is shorter
// than the host's, or a module that writes into a host field, is caught.
//
// Not among them: the token values, which the host writes at every refresh,
// and a string's text buffer pointer, which the model checks on its own.
#pragma once

#include <cstdint>
#include <span>

#include "host/panel_interface.h"

namespace hostmodel::host_fields {

inline constexpr uint8_t pattern = 0xCB;

struct Range {
    uint16_t offset;  // from the start of the record
    uint16_t size;
};

// The host's fields of an element of the given type: those of the header
// alone for a type the host does not know.
std::span<const Range> of(uint32_t type);

// Fills every host field of the element with the pattern.
void fill(host::ElementHeader* element);

// The offset of the first byte of a host field that no longer holds the
// pattern, or -1 when every one does.
int first_changed(const host::ElementHeader* element);

}  // namespace hostmodel::host_fields

// The stand-in host component "GLOBAL.DLL" of the Windows tests: only its
// exported "Linkage" block, which the test program writes status bytes into.
#include <cstdint>

#include "hostmodel/host_component.h"

extern "C" {
__declspec(dllexport) uint8_t Linkage[hostmodel::component::linkage_size];
}

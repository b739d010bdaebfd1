// The library entry point of the Windows build: the module sets itself up in
// its gauge callbacks, so there is nothing to do here for any reason.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}

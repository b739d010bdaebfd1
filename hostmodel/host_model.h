// A model of the host simulator for tests and benchmarks: it loads the module
// (natively a shared library loaded once with the program, on Windows the
// real MERTQ4.gau through LoadLibraryA), serves its panel service table,
// holds token values and named variables, places gauges on a panel, runs
// frames, dispatches clicks and records what the module asks of it and of
// the sound library. reload() gives a freshly loaded module and host.
//
// Frame order (later traces depend on it):
//   1. the frame's inputs are applied as the test gives them, before frame():
//      token values, named variables written by XML gauges, clicks;
//   2. for each placed gauge in panel order: service code 6, then the update
//      of its element tree (each element's first source record refreshed,
//      then its update callback called and its result kept);
//   3. for each placed gauge in panel order: service code 10, then its drawing.
// Placing a gauge sends codes 2, 4 and 14, in that order; removing it sends 12.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "host/panel_interface.h"

namespace hostmodel {

struct SoundCall {
    enum class Kind { play, stop, terminate };
    Kind kind;
    std::string file;  // play only
    std::string key;   // play and stop
    int32_t loop = 0;  // play only
    // Where the module keeps the key it passed (play and stop): tells apart
    // call sites whose keys read the same. Not compared.
    const void* key_buffer = nullptr;
    // When the module made it, by the system clock in seconds since 1970,
    // where the host times its calls (Host::time_sound_calls); 0 otherwise.
    // Not compared.
    double unix_s = 0;
    bool operator==(const SoundCall& other) const {
        return kind == other.kind && file == other.file && key == other.key && loop == other.loop;
    }
};
SoundCall play(std::string file, std::string key = "", int32_t loop = 0);
SoundCall stop(std::string key);
SoundCall terminate();
std::string describe(const SoundCall& call);                         // for test failure messages
std::ostream& operator<<(std::ostream& out, const SoundCall& call);  // describe(), for gtest

struct KeyEvent {
    uint32_t id;
    uint32_t value;
    bool operator==(const KeyEvent&) const = default;
};

// One call the module made to the loader, with its result in module names:
// "GaugeSound" and "GLOBAL.DLL" for the two modules the process provides.
struct LoaderCall {
    enum class Kind { load_library, module_handle, proc_address, free_library };
    Kind kind;
    // The module asked for (load_library, module_handle), the export
    // (proc_address), or the freed module's name (free_library).
    std::string name;
    std::string module = {};     // proc_address: the module the export is looked up in
    std::string handed = {};     // load_library, module_handle: the module handed back; "" for NULL
    bool result        = false;  // proc_address: an address returned; free_library: as returned
    bool operator==(const LoaderCall&) const = default;
};
std::string describe(const LoaderCall& call);  // "LoadLibraryA(GaugeSound)"

// A named-variable write the module made (slot 55).
struct NamedWrite {
    std::string name;
    double value;
};

// One thing the module asked of the host, the sound library or the loader.
using Output = std::variant<SoundCall, KeyEvent, NamedWrite, LoaderCall>;

// The module could not be loaded: no such file, not a module, or an export missing.
struct ModuleLoadError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// One call the module made through slots 24 to 31 of the service table.
struct ElementOperation {
    int slot;
    host::ElementHeader* root;
    uintptr_t value;  // install: the resource handle; generate: its 32-bit value
};

// What the last drawing of a gauge showed: one entry per element drawn.
struct DrawnElement {
    int index;          // element number down the chain, root 0
    int32_t bitmap_id;  // the bitmap drawn (for icons, the image's own id); -1 for strings
    int width;          // the bitmap's size as found among the module's resources
    int height;
};

enum class SoundLibrary {
    present,                     // all three entry points
    absent,                      // "GaugeSound" cannot be loaded
    without_stop_and_terminate,  // only GaugePlaySound is exported
};

class Host {
  public:
    // The one host of this process; the module is loaded on first use.
    // Throws ModuleLoadError where it cannot be loaded.
    static Host& instance();
    // The module file the Windows binding loads, instead of MERTQ4.gau beside
    // the program; call before the first instance(). The native binding has
    // the module linked in and refuses a file (ModuleLoadError).
    static void load_module_from(const std::string& path);
    // The real sound library in `folder` (GaugeSound.dll on Windows,
    // libgaugesound.so natively) hears every sound call the module makes,
    // after it is recorded as the stand-in's; the trace stays the same. Call
    // before the first instance(); throws ModuleLoadError where the folder
    // holds no such library.
    static void use_sound_library(const std::string& folder);
    // The file the module was loaded from; empty where it is linked in.
    std::string module_file() const;

    // Starts over as a fresh process would: the module freshly loaded (every
    // variable of it at its load value, the host-written fields of its records
    // cleared), the panel empty, tokens, named variables, recorded outputs and
    // faults cleared, the sound library present, unloaded and unreferenced, and
    // the host component present with its default status bytes. Gauges still
    // placed are dropped without a call to the module. instance() keeps
    // returning this host.
    void reload();
    // Closes the panel as the host does before it exits: every placed gauge
    // removed (the module silences its sounds and lets the sound library go),
    // the held reference dropped, then up to `timeout_ms` for the real
    // library's streams to close their devices and the library to leave the
    // process. False where it is still there. A process that exits while a
    // stream's thread has its device open can crash under Wine.
    bool close(int timeout_ms = streams_end_ms);
    // How long the real library's streams are given to close their devices,
    // at a close and a reload (a busy Wine has taken most of a second to open one).
    static constexpr int streams_end_ms = 10000;

    // -- the module
    const host::LinkageRecord& linkage() const;
    host::ImportTableRecord& import_table() const;
    host::GaugeHeader* gauge(
        std::string_view name) const;  // from Linkage; aborts the test if absent
    host::ElementHeader* element(std::string_view gauge, int n) const;  // n steps down the chain

    // -- the panel
    void place(std::string_view name);   // codes 2, 4, 14
    void remove(std::string_view name);  // code 12
    void remove_all();
    void connect_to_window(std::string_view name);      // code 14 again
    void service(std::string_view name, int32_t code);  // one gauge callback call
    void frame();
    void frames(int count);
    std::vector<std::string> placed() const;  // names in panel order

    // -- inputs
    void set_token(uint32_t id, double value);
    double token(uint32_t id) const;
    void set_named(const std::string& name, double value);  // as an XML gauge writes it
    double named(const std::string& name) const;            // 0 when absent
    bool named_exists(const std::string& name) const;
    // A click at (x, y) on the named gauge with the given event flags: the
    // first child rectangle in list order whose box holds the point gets it.
    // `repeats` more calls follow while the button is held, only where the
    // rectangle accepts 0x00200000. Returns the number of callback calls.
    int click(std::string_view gauge, int x, int y, uint32_t events = host::mouse_event::left_click,
              int repeats = 0);
    // The child rectangle a click at (x, y) lands in, by the rule above; NULL for none.
    const host::MouseRect* mouse_area(std::string_view gauge, int x, int y) const;
    // Every child rectangle of the gauge's mouse list, in the order the rule
    // above tries them.
    std::vector<const host::MouseRect*> mouse_areas(std::string_view gauge) const;
    // The cursor shown over (x, y), -1 where no child rectangle holds it.
    int32_t cursor_at(std::string_view gauge, int x, int y) const;

    // -- outputs
    std::vector<SoundCall> take_sound_calls();  // returns and forgets them
    // Each sound call from here on carries its time (SoundCall::unix_s).
    void time_sound_calls(bool timed);
    const std::vector<SoundCall>& sound_calls() const;
    std::vector<KeyEvent> take_key_events();
    const std::vector<ElementOperation>& element_operations() const;
    void clear_element_operations();
    // Calls to slots the module must never use, and other host-side faults.
    const std::vector<std::string>& faults() const;
    // Every sound call, key event, named-variable write and loader call of the
    // module since the last take, in the order it made them.
    std::vector<Output> take_outputs();

    // -- the drawn state of an element (n steps down the gauge's chain)
    double value(std::string_view gauge, int n) const;  // last update callback result
    double angle(std::string_view gauge,
                 int n) const;  // needle rotation, degrees clockwise from +x
    double angle_towards(std::string_view gauge, int n, host::PixelPoint point) const;
    int icon_image(std::string_view gauge, int n) const;  // index of the image shown
    double moving_fraction(std::string_view gauge,
                           int n) const;  // 0 at the range's first end, 1 at its other
    std::string text(std::string_view gauge, int n) const;
    bool hidden(std::string_view gauge, int n) const;
    uint32_t image_flags(std::string_view gauge, int n) const;  // as the host reads them to draw
    const std::vector<DrawnElement>& drawn(std::string_view gauge) const;

    // -- the sound library and the host component
    void set_sound_library(SoundLibrary mode);  // takes effect at the module's next load of it
    bool sound_library_loaded() const;
    // Another module of the process holding its own reference to the sound library.
    void hold_sound_library(bool hold);
    // References the module itself holds on the sound library (loads minus frees).
    int module_sound_references() const;
    // The module's calls to the loader since the last take, each as
    // "LoadLibraryA(name)", "GetModuleHandleA(name)", "GetProcAddress(name)" or
    // "FreeLibrary(name)".
    std::vector<std::string> take_loader_calls();
    void set_host_component(bool present);  // "GLOBAL.DLL" in the process or not
    void set_status_bytes(uint8_t at_2848, uint8_t at_2852, uint8_t at_3400);

    // Bitmap resources of the loaded module: size and depth by id, false when absent.
    bool bitmap_resource(int32_t id, int* width, int* height, int* bits_per_pixel) const;

  private:
    Host();
};

}  // namespace hostmodel

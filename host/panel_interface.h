// The host's panels-and-gauges interface as this module uses it: exported
// records, gauge and element records, mouse rectangles, service codes and the
// panel service table. Every record here is laid out as the host reads it in
// the 32-bit Windows build; the static_asserts at the end hold it to that.
//
// Calling conventions: everything that crosses the host boundary is stdcall
// (HOST_CALL). On the native x86_64 test build there is a single convention,
// so the macro is empty there.
//
// Layout of the type-specific element fields (offsets in the 32-bit build).
// Each type's own fields follow the 60-byte element header in the order the
// host lists them; a 64-bit float or a token-variable record is aligned to 8,
// so the first field after the header starts at 64. The fields after the
// module's own ("host_*") are kept by the host and are zero in the data.
//
//   Needle (136 bytes)              Moving image (192 bytes)
//     64  source        TokenVar      64  x.source      TokenVar
//     96  table         NeedleRow*    96  x.min         double
//    100  row_count     u32          104  x.max         double
//    104  turn_limit    double       112  x.callback    ElementCallback
//    112  callback      ElementCb    120  y.source      TokenVar
//    120  host_value    double       152  y.min         double
//    128  host_angle    double       160  y.max         double
//                                    168  y.callback    ElementCallback
//   Icon (144 bytes)                 176  host_x_value  double
//     64  source        TokenVar     184  host_y_value  double
//     96  image_count   u32
//    100  switch_mode   u32          String (216 bytes)
//    104  scale         double         64  sources[3]    TokenVar x 3
//    112  offset        double        160  box_size      {i32 w, i32 h}
//    120  callback      ElementCb     168  foreground    u32 (0x00BBGGRR)
//    128  host_value    double        172  background    u32
//    136  host_image    i32           176  highlight     u32
//                                     180  font_face     const char*
//   NeedleRow (24 bytes)              184  font_weight   i32
//      0  point         {i32, i32}    188  charset       u32
//      8  value         double        192  format_flags  u32
//     16  angle         float         196  callback      ElementCallback
//                                     200  capacity      u32 (bytes, NUL included)
//                                     204  text          char*
//                                     208  host_value    double
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__i386__)
#define HOST_CALL __attribute__((stdcall))
#define LIBRARY_CALL __attribute__((cdecl))
#else
#define HOST_CALL
#define LIBRARY_CALL
#endif

namespace host {

using BOOL = int32_t;

struct GaugeHeader;
struct ElementHeader;

// ---------------------------------------------------------------- callbacks

using GaugeCallback   = void(HOST_CALL*)(GaugeHeader* gauge, int32_t service, uint32_t extra);
using ElementCallback = double(HOST_CALL*)(ElementHeader* element);
struct PixelPoint {
    int32_t x = {};
    int32_t y = {};
};
using MouseCallback  = BOOL(HOST_CALL*)(PixelPoint* point, uint32_t events);
using ModuleRoutine  = void(HOST_CALL*)();
using GaugeRoutine   = void(HOST_CALL*)();
using GaugeRoutine32 = void(HOST_CALL*)(uint32_t value);

// ------------------------------------------------------------ service codes

namespace service {
inline constexpr int32_t install           = 2;   // while the gauge is installed
inline constexpr int32_t initialize        = 4;   // before its first update
inline constexpr int32_t pre_update        = 6;   // before every update pass
inline constexpr int32_t pre_draw          = 10;  // before every draw pass
inline constexpr int32_t pre_kill          = 12;  // when the gauge is removed
inline constexpr int32_t connect_to_window = 14;  // connected to its panel window
}  // namespace service

// ----------------------------------------------------------- token variables

// One simulation value read by token id. Only the id is set in the data; the
// host fills the rest through refresh_token_variable.
struct TokenVar {
    uint32_t id           = {};
    void* pointer         = {};
    uint32_t value_type   = {};
    double value          = {};
    double previous_value = {};
};

// ------------------------------------------------------------------ elements

namespace element_type {
inline constexpr uint32_t static_image = 0;
inline constexpr uint32_t needle       = 1;
inline constexpr uint32_t string       = 2;
inline constexpr uint32_t icon         = 4;
inline constexpr uint32_t moving_image = 5;
}  // namespace element_type

namespace image_flag {
inline constexpr uint32_t transparent = 1u << 0;
inline constexpr uint32_t erase       = 1u << 1;
inline constexpr uint32_t bright      = 1u << 2;
inline constexpr uint32_t bilinear    = 1u << 7;
inline constexpr uint32_t lit         = 1u << 14;
inline constexpr uint32_t hidden      = 1u << 30;  // set and cleared at run time only
}  // namespace image_flag

struct ElementHeader {
    uint32_t type                = {};
    int32_t bitmap_id            = {};  // -1 for strings
    PixelPoint position          = {};
    PixelPoint previous_position = {};  // kept by the host
    PixelPoint offset            = {};  // needle pivot inside its bitmap; zero otherwise
    GaugeHeader* gauge           = {};  // the gauge whose tree holds the element
    ElementHeader* previous      = {};  // kept by the host
    ElementHeader** next         = {};  // NULL-terminated children, or NULL
    void* failures               = {};
    uint32_t image_flags         = {};
    uint32_t special             = {};
    uint32_t reserved            = {};
};

struct StaticImage {
    ElementHeader header = {};
};

struct NeedleRow {
    PixelPoint point = {};
    double value     = {};
    float angle      = {};  // filled by the host
};

struct Needle {
    ElementHeader header     = {};
    TokenVar source          = {};
    NeedleRow* table         = {};  // NULL with row_count 0: the value is the rotation in degrees
    uint32_t row_count       = {};
    double turn_limit        = {};  // most degrees per update; 0 for none
    ElementCallback callback = {};
    double host_value        = {};
    double host_angle        = {};
};

struct MovingAxis {
    TokenVar source          = {};
    double min               = {};  // value that shows the strip's first end
    double max               = {};  // value that shows its other end
    ElementCallback callback = {};
};

struct MovingImage {
    ElementHeader header = {};
    MovingAxis x         = {};
    MovingAxis y         = {};
    double host_x_value  = {};
    double host_y_value  = {};
};

struct Icon {
    ElementHeader header     = {};
    TokenVar source          = {};
    uint32_t image_count     = {};
    uint32_t switch_mode     = {};
    double scale             = {};
    double offset            = {};
    ElementCallback callback = {};
    double host_value        = {};
    int32_t host_image       = {};
};

struct BoxSize {
    int32_t width  = {};
    int32_t height = {};
};

struct String {
    ElementHeader header     = {};
    TokenVar sources[3]      = {};
    BoxSize box              = {};
    uint32_t foreground      = {};
    uint32_t background      = {};
    uint32_t highlight       = {};
    const char* font_face    = {};
    int32_t font_weight      = {};
    uint32_t charset         = {};
    uint32_t format_flags    = {};
    ElementCallback callback = {};
    uint32_t capacity        = {};  // bytes the host provides behind text, terminator included
    char* text               = {};  // provided by the host; NULL in the data
    double host_value        = {};
};

// ---------------------------------------------------------------- mouse list

namespace mouse_record {
inline constexpr uint32_t end_of_list = 0;
inline constexpr uint32_t parent      = 1;
inline constexpr uint32_t child       = 2;
inline constexpr uint32_t parent_end  = 3;
}  // namespace mouse_record

namespace cursor {
inline constexpr int32_t none       = -1;
inline constexpr int32_t up_arrow   = 1;
inline constexpr int32_t down_arrow = 2;
inline constexpr int32_t hand       = 5;
}  // namespace cursor

namespace mouse_event {
inline constexpr uint32_t left_click  = 0x20000000;
inline constexpr uint32_t right_click = 0x80000000;
inline constexpr uint32_t repeat      = 0x00200000;  // the host repeats the click while held
}  // namespace mouse_event

struct MouseRect {
    uint32_t type          = {};
    int32_t x              = {};
    int32_t y              = {};
    int32_t width          = {};
    int32_t height         = {};
    int32_t cursor         = {};
    uint32_t help_id       = {};
    uint32_t events        = {};
    uint32_t key_event     = {};
    MouseCallback callback = {};
    uint32_t reserved      = {};
};

// ------------------------------------------------------------- gauge header

inline constexpr uint32_t gauge_header_key   = 0x320;
inline constexpr uint32_t default_gauge_size = 100;  // millimetres

struct GaugeHeader {
    uint32_t key                = {};
    const char* name            = {};
    ElementHeader** elements    = {};  // one slot holding the root element
    GaugeRoutine query          = {};
    GaugeRoutine32 install      = {};
    GaugeRoutine initialize     = {};
    GaugeRoutine update         = {};
    GaugeRoutine32 generate     = {};
    GaugeRoutine draw           = {};
    GaugeRoutine kill           = {};
    uint32_t reserved_11        = {};
    uint32_t size_mm            = {};
    uint32_t reserved_13_20[8]  = {};
    MouseRect* mouse_rects      = {};
    GaugeCallback callback      = {};
    uint32_t user_data          = {};
    uint32_t reserved_24_51[28] = {};
};

// ----------------------------------------------------------- exported records

inline constexpr uint32_t module_id         = 0x13;
inline constexpr uint32_t interface_version = 0x900;
inline constexpr uint32_t panels_entry_id   = 0xF;
inline constexpr int gauge_count            = 16;

struct PanelServices;

struct ImportEntry {
    uint32_t id          = {};
    PanelServices* table = {};
};

struct ImportTableRecord {
    ImportEntry panels     = {};
    ImportEntry terminator = {};
};

struct LinkageRecord {
    uint32_t module_id                   = {};
    ModuleRoutine module_start           = {};
    ModuleRoutine module_stop            = {};
    uint32_t flags                       = {};
    uint32_t priority                    = {};
    uint32_t version                     = {};
    GaugeHeader* gauges[gauge_count + 1] = {};  // NULL-terminated
};

// ------------------------------------------------------ panel service table

// The host's table of operations, one pointer per 32-bit slot. Only the slots
// the module calls are typed; every other slot is never called.
struct PanelServices {
    void* slots_0_23[24]                                                    = {};
    void(HOST_CALL* query_elements)(ElementHeader* root)                    = {};  // 24
    void(HOST_CALL* install_elements)(ElementHeader* root, uint32_t value)  = {};  // 25
    void(HOST_CALL* initialize_elements)(ElementHeader* root)               = {};  // 26
    void(HOST_CALL* update_elements)(ElementHeader* root)                   = {};  // 27
    void(HOST_CALL* generate_elements)(ElementHeader* root, uint32_t value) = {};  // 28
    void(HOST_CALL* draw_elements)(ElementHeader* root)                     = {};  // 29
    void* slot_30                                                           = {};
    void(HOST_CALL* kill_elements)(ElementHeader* root)                     = {};  // 31
    void* slots_32_35[4]                                                    = {};
    void(HOST_CALL* send_key_event)(uint32_t event, uint32_t value)         = {};  // 36
    void* slots_37_39[3]                                                    = {};
    void(HOST_CALL* refresh_token_variable)(TokenVar* record)               = {};  // 40
    void* slots_41_50[10]                                                   = {};
    uint32_t(HOST_CALL* find_named_variable)(const char* name)              = {};  // 51
    uint32_t(HOST_CALL* create_named_variable)(const char* name)            = {};  // 52
    double(HOST_CALL* read_named_variable)(uint32_t id)                     = {};  // 53
    void* slot_54                                                           = {};
    void(HOST_CALL* write_named_variable)(uint32_t id, double value)        = {};  // 55
    void* slots_56_63[8]                                                    = {};
};
inline constexpr int panel_slot_count = 64;

// ------------------------------------------------------------ layout checks

#if defined(__i386__)
static_assert(sizeof(TokenVar) == 32 && offsetof(TokenVar, value) == 16);
static_assert(sizeof(ElementHeader) == 60);
static_assert(offsetof(ElementHeader, gauge) == 32 && offsetof(ElementHeader, next) == 40);
static_assert(offsetof(ElementHeader, image_flags) == 48);
static_assert(sizeof(NeedleRow) == 24 && offsetof(NeedleRow, angle) == 16);
static_assert(offsetof(Needle, source) == 64 && offsetof(Needle, table) == 96);
static_assert(offsetof(Needle, turn_limit) == 104 && offsetof(Needle, callback) == 112);
static_assert(sizeof(Needle) == 136);
static_assert(offsetof(MovingImage, x) == 64 && offsetof(MovingImage, y) == 120);
static_assert(offsetof(MovingImage, y) + offsetof(MovingAxis, callback) == 168);
static_assert(sizeof(MovingImage) == 192);
static_assert(offsetof(Icon, image_count) == 96 && offsetof(Icon, callback) == 120);
static_assert(sizeof(Icon) == 144);
static_assert(offsetof(String, box) == 160 && offsetof(String, font_face) == 180);
static_assert(offsetof(String, callback) == 196 && offsetof(String, capacity) == 200);
static_assert(offsetof(String, text) == 204 && sizeof(String) == 216);
static_assert(sizeof(MouseRect) == 44 && offsetof(MouseRect, callback) == 36);
static_assert(sizeof(GaugeHeader) == 204);
static_assert(offsetof(GaugeHeader, mouse_rects) == 20 * 4);
static_assert(offsetof(GaugeHeader, callback) == 21 * 4);
static_assert(offsetof(GaugeHeader, size_mm) == 11 * 4);
static_assert(sizeof(ImportTableRecord) == 16);
static_assert(offsetof(LinkageRecord, version) == 20 && offsetof(LinkageRecord, gauges) == 24);
static_assert(sizeof(LinkageRecord) == 24 + 17 * 4);
static_assert(offsetof(PanelServices, query_elements) == 24 * 4);
static_assert(offsetof(PanelServices, kill_elements) == 31 * 4);
static_assert(offsetof(PanelServices, send_key_event) == 36 * 4);
static_assert(offsetof(PanelServices, refresh_token_variable) == 40 * 4);
static_assert(offsetof(PanelServices, find_named_variable) == 51 * 4);
static_assert(offsetof(PanelServices, write_named_variable) == 55 * 4);
static_assert(sizeof(PanelServices) == panel_slot_count * 4);
#endif

}  // namespace host

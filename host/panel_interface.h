// The host's panels-and-gauges interface as this module uses it: exported
// records, gauge and element records, mouse rectangles, service codes and the
// panel service table. Every record here is laid out as the host reads it in
// the 32-bit Windows build; the static_asserts at the end hold it to that.
//
// Calling conventions: everything that crosses the host boundary is stdcall
// (HOST_CALL). On the native x86_64 test build there is a single convention,
// so the macro is empty there.
//
// Layout: every record is packed to 4 bytes, as the host packs its own, and
// each element type's record has its full length, the host's own fields
// included, since the host writes them. Offsets in the 32-bit build:
//
//   TokenVar (28)       id 0, value 12 (the host's pointer, type and previous value around it)
//   NeedleRow (24)      point 0, value 8, angle 16 (a double the host fills)
//   ElementHeader (60)  type 0 ... image flags 48, then the type's own fields:
//   StaticImage (96)    host fields only
//   Needle (236)        source 60, table 112, row count 116, turn limit 120 (i32),
//                       callback 224
//   Icon (140)          source 60, switch mode 92, scale 100, offset 108 (i32),
//                       image count 112, callback 132
//   MovingImage (268)   x: source 60, range 92/100; y: source 112, range 144/152;
//                       callbacks 244 (x) and 248 (y)
//   String (324)        sources 60 (stride 28), text buffer 184 (host), box 192,
//                       colours 208/212/216, font face 248 (held in the record),
//                       weight 280, charset 284 (8-bit), format 288, longest
//                       text 292 (16-bit), font size 308, callback 312
#pragma once

#include <array>
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

// ------------------------------------------------------------ record layout

// In the 32-bit build every record is packed to 4 bytes, as the host packs
// its own: a 64-bit float inside a record sits on a 4-byte boundary. On the
// native test build, where only the module and the host model read them, the
// records keep their natural alignment. Fields named host_* are the host's:
// zero in the data, kept by the host at run time and never touched by the
// module. Slots named *_function are routines the host would call in place of
// its own where one is set; the module leaves them NULL.
#if defined(__i386__)
#pragma pack(push, 4)
#endif

// Bytes of a record that the host keeps for itself: handles, saved images,
// previous values and the like.
template <std::size_t Bytes>
using HostBytes = uint8_t[Bytes];

// A routine slot that the host calls where it is set.
using HostFunction = void*;

// ----------------------------------------------------------- token variables

// One simulation value read by token id. Only the id is set in the data; the
// host fills the rest through refresh_token_variable.
struct TokenVar {
    uint32_t id           = {};
    void* pointer         = {};  // host
    uint32_t value_type   = {};  // host
    double value          = {};  // host: the value as of the latest refresh
    double previous_value = {};  // host
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
    PixelPoint previous_position = {};  // host
    PixelPoint offset            = {};  // needle pivot inside its bitmap; zero otherwise
    GaugeHeader* gauge           = {};  // the gauge whose tree holds the element
    ElementHeader* previous      = {};  // host
    ElementHeader** next         = {};  // NULL-terminated children, or NULL
    void* failures               = {};
    uint32_t image_flags         = {};
    uint32_t special             = {};
    uint32_t reserved            = {};
};

struct StaticImage {
    ElementHeader header     = {};
    HostBytes<36> host_image = {};  // image set, save buffer, drawing handles, reserved
};

struct NeedleRow {
    PixelPoint point = {};
    double value     = {};
    double angle     = {};  // host: the direction of the point, filled at install
};

struct Needle {
    ElementHeader header          = {};
    TokenVar source               = {};
    HostFunction source_function  = {};
    HostFunction display_function = {};
    HostFunction angle_function   = {};
    HostFunction lag_function     = {};
    HostBytes<8> host_reference   = {};  // reference point
    NeedleRow* table              = {};  // NULL with row_count 0: the value is the rotation
    uint32_t row_count            = {};
    int32_t turn_limit            = {};  // most degrees per update; 0 for none
    HostBytes<100> host_needle    = {};  // goals, angles, corners, image set, texture, save data
    ElementCallback callback      = {};
    HostBytes<8> host_save_size   = {};
};

struct Icon {
    ElementHeader header         = {};
    TokenVar source              = {};
    HostFunction source_function = {};
    uint32_t switch_mode         = {};
    HostBytes<4> host_switches   = {};  // switch count
    double scale                 = {};
    int32_t offset               = {};
    uint32_t image_count         = {};  // images: bitmaps with ids from the element's own on
    HostBytes<8> host_images     = {};  // current and target image
    HostBytes<8> host_image_data = {};  // image data, save buffer
    ElementCallback callback     = {};  // its result is the index of the image shown
    HostBytes<4> host_reserved   = {};
};

// One direction of a moving image: its source, and the value that puts the
// strip's first end in the window and the one that puts its other end there.
struct MovingAxis {
    TokenVar source              = {};
    HostFunction source_function = {};
    double min                   = {};
    double max                   = {};
    HostFunction lag_function    = {};
};

struct MovingImage {
    ElementHeader header        = {};
    MovingAxis x                = {};
    MovingAxis y                = {};
    HostBytes<32> host_scale    = {};  // scale and offset, x and y
    HostBytes<48> host_image    = {};  // save position, image, mask and save data
    ElementCallback x_callback  = {};
    ElementCallback y_callback  = {};
    HostBytes<16> host_previous = {};  // previous x and y
};

struct BoxSize {
    int32_t width  = {};
    int32_t height = {};
};

// A font face name as a string record holds it: the characters, NUL-terminated.
using FontFace = std::array<char, 32>;

template <std::size_t Length>
consteval FontFace font_face_named(const char (&name)[Length]) {
    static_assert(Length <= std::tuple_size_v<FontFace>, "at most 31 characters and the NUL");
    FontFace face = {};
    for (std::size_t i = 0; i + 1 < Length; ++i) face[i] = name[i];
    return face;
}

struct String {
    ElementHeader header             = {};
    TokenVar sources[3]              = {};
    HostBytes<24> host_saved_values  = {};
    HostFunction source_functions[3] = {};
    HostFunction string_function     = {};
    char* text                       = {};  // host: the buffer it provides, NULL in the data
    HostBytes<4> host_previous_text  = {};
    BoxSize box                      = {};
    HostBytes<8> host_image          = {};  // string image, save buffer
    uint32_t foreground              = {};  // 0x00BBGGRR
    uint32_t background              = {};
    uint32_t highlight               = {};
    HostBytes<28> host_handles       = {};  // drawing handles, reserved
    FontFace font_face               = {};
    int32_t font_weight              = {};
    uint8_t charset                  = {};
    uint8_t charset_padding[3]       = {};
    uint32_t format_flags            = {};
    // The longest text in characters; the host sizes the buffer from it, so
    // the module writes at most this many bytes, its NUL included.
    uint16_t longest_text             = {};
    HostBytes<6> host_selection       = {};  // character width, selection start and end
    void* highlight_list              = {};
    HostBytes<4> host_highlight_state = {};
    int32_t font_size                 = {};  // character height in pixels
    ElementCallback callback          = {};
    HostBytes<8> host_user_colour     = {};
};

// The records below hold no field wider than 32 bits in the 32-bit build, so
// the packing would leave them as they are.
#if defined(__i386__)
#pragma pack(pop)
#endif

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
// Every offset and size of the host's records. Fields the host keeps are
// checked too: a record that is short of them lets the host write over what
// follows it.
static_assert(sizeof(TokenVar) == 28);
static_assert(offsetof(TokenVar, pointer) == 4 && offsetof(TokenVar, value_type) == 8);
static_assert(offsetof(TokenVar, value) == 12 && offsetof(TokenVar, previous_value) == 20);

static_assert(sizeof(NeedleRow) == 24 && offsetof(NeedleRow, value) == 8);
static_assert(offsetof(NeedleRow, angle) == 16);

static_assert(sizeof(ElementHeader) == 60);
static_assert(offsetof(ElementHeader, bitmap_id) == 4 && offsetof(ElementHeader, position) == 8);
static_assert(offsetof(ElementHeader, previous_position) == 16);
static_assert(offsetof(ElementHeader, offset) == 24 && offsetof(ElementHeader, gauge) == 32);
static_assert(offsetof(ElementHeader, previous) == 36 && offsetof(ElementHeader, next) == 40);
static_assert(offsetof(ElementHeader, failures) == 44);
static_assert(offsetof(ElementHeader, image_flags) == 48);
static_assert(offsetof(ElementHeader, special) == 52 && offsetof(ElementHeader, reserved) == 56);

static_assert(sizeof(StaticImage) == 96 && offsetof(StaticImage, host_image) == 60);

static_assert(sizeof(Needle) == 236);
static_assert(offsetof(Needle, source) == 60 && offsetof(Needle, source) + 12 == 72);
static_assert(offsetof(Needle, source_function) == 88);
static_assert(offsetof(Needle, display_function) == 92);
static_assert(offsetof(Needle, angle_function) == 96 && offsetof(Needle, lag_function) == 100);
static_assert(offsetof(Needle, host_reference) == 104 && offsetof(Needle, table) == 112);
static_assert(offsetof(Needle, row_count) == 116 && offsetof(Needle, turn_limit) == 120);
static_assert(offsetof(Needle, host_needle) == 124 && offsetof(Needle, callback) == 224);
static_assert(offsetof(Needle, host_save_size) == 228);

static_assert(sizeof(Icon) == 140);
static_assert(offsetof(Icon, source) == 60 && offsetof(Icon, source_function) == 88);
static_assert(offsetof(Icon, switch_mode) == 92 && offsetof(Icon, host_switches) == 96);
static_assert(offsetof(Icon, scale) == 100 && offsetof(Icon, offset) == 108);
static_assert(offsetof(Icon, image_count) == 112 && offsetof(Icon, host_images) == 116);
static_assert(offsetof(Icon, host_image_data) == 124 && offsetof(Icon, callback) == 132);
static_assert(offsetof(Icon, host_reserved) == 136);

static_assert(sizeof(MovingAxis) == 52);
static_assert(offsetof(MovingAxis, source_function) == 28 && offsetof(MovingAxis, min) == 32);
static_assert(offsetof(MovingAxis, max) == 40 && offsetof(MovingAxis, lag_function) == 48);
static_assert(sizeof(MovingImage) == 268);
static_assert(offsetof(MovingImage, x) == 60 && offsetof(MovingImage, y) == 112);
static_assert(offsetof(MovingImage, x) + offsetof(MovingAxis, min) == 92);
static_assert(offsetof(MovingImage, y) + offsetof(MovingAxis, min) == 144);
static_assert(offsetof(MovingImage, y) + offsetof(MovingAxis, lag_function) == 160);
static_assert(offsetof(MovingImage, host_scale) == 164 && offsetof(MovingImage, host_image) == 196);
static_assert(offsetof(MovingImage, x_callback) == 244);
static_assert(offsetof(MovingImage, y_callback) == 248);
static_assert(offsetof(MovingImage, host_previous) == 252);

static_assert(sizeof(String) == 324);
static_assert(offsetof(String, sources) == 60 && sizeof(String::sources[0]) == 28);
static_assert(offsetof(String, host_saved_values) == 144);
static_assert(offsetof(String, source_functions) == 168);
static_assert(offsetof(String, string_function) == 180 && offsetof(String, text) == 184);
static_assert(offsetof(String, host_previous_text) == 188 && offsetof(String, box) == 192);
static_assert(offsetof(String, host_image) == 200 && offsetof(String, foreground) == 208);
static_assert(offsetof(String, background) == 212 && offsetof(String, highlight) == 216);
static_assert(offsetof(String, host_handles) == 220 && offsetof(String, font_face) == 248);
static_assert(offsetof(String, font_weight) == 280 && offsetof(String, charset) == 284);
static_assert(offsetof(String, format_flags) == 288 && offsetof(String, longest_text) == 292);
static_assert(offsetof(String, host_selection) == 294);
static_assert(offsetof(String, highlight_list) == 300);
static_assert(offsetof(String, host_highlight_state) == 304);
static_assert(offsetof(String, font_size) == 308 && offsetof(String, callback) == 312);
static_assert(offsetof(String, host_user_colour) == 316);

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

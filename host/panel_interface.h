// The host's panels-and-gauges interface as this module uses it: exported
// records, gauge and element records, mouse rectangles, service codes and the
// panel service table. One declaration of each record serves both hosts of
// the interface: the 32-bit host, and the 64-bit hosts that compile the same
// records with 8-byte pointers. The static_asserts at the end hold every
// record to the host's offsets in each build.
//
// Calling conventions: everything that crosses the host boundary is stdcall
// (HOST_CALL) in the 32-bit build; x86-64 has a single convention, so the
// macro is empty in the 64-bit build and in the native test build.
//
// Layout: every record is packed to 4 bytes, as the host packs its own (a
// double or an 8-byte pointer sits on a 4-byte boundary, never padded to 8),
// and each element type's record has its full length, the host's own fields
// included, since the host writes them. The native test build lays records
// out as the 64-bit host does. Offsets, 32-bit build / 64-bit build:
//
//   TokenVar (28/32)       id 0, value 12/16 (the host's pointer, type and
//                          previous value around it)
//   NeedleRow (24)         point 0, value 8, angle 16 (a double the host fills)
//   ElementHeader (60/76)  type 0 ... image flags 48/64, then the type's own:
//   StaticImage (96/148)   host fields only
//   Needle (236/304)       source 60/76, table 112/148, row count 116/156,
//                          turn limit 120/160 (i32), callback 224/288
//   Icon (140/176)         source 60/76, switch mode 92/116, scale 100/124,
//                          offset 108/132 (i32), image count 112/136,
//                          callback 132/164
//   MovingImage (268/356)  x: source 60/76, range 92/116; y: source 112/140,
//                          range 144/180; callbacks 244/324 and 248/332
//   String (324/420)       sources 60/76 (stride 28/32), text buffer 184/228
//                          (host), box 192/244, colours from 208/268, font
//                          face 248/336 (held in the record), weight 280/368,
//                          charset 284/372 (8-bit), format 288/376, longest
//                          text 292/380 (16-bit), font size 308/400, callback
//                          312/404
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

// The width of the host's pointers and handles: 4 bytes in the 32-bit build,
// 8 in the 64-bit one.
inline constexpr std::size_t pointer_bytes = sizeof(void*);
static_assert(pointer_bytes == 4 || pointer_bytes == 8);

// A size that differs between the builds, as the host's records give it:
// the 32-bit host's, then the 64-bit host's.
consteval std::size_t by_width(std::size_t in_32_bit, std::size_t in_64_bit) {
    return pointer_bytes == 4 ? in_32_bit : in_64_bit;
}

// Values the host passes that are as wide as its pointers.
using ServiceData    = uintptr_t;  // a gauge callback's extra data (a handle at codes 2 and 14)
using ResourceHandle = uintptr_t;  // the module's resources, handed to the install routine

struct GaugeHeader;
struct ElementHeader;

// ---------------------------------------------------------------- callbacks

using GaugeCallback   = void(HOST_CALL*)(GaugeHeader* gauge, int32_t service, ServiceData extra);
using ElementCallback = double(HOST_CALL*)(ElementHeader* element);
struct PixelPoint {
    int32_t x = {};
    int32_t y = {};
};
// Its point argument is the first field of the host's click record (below).
using MouseCallback  = BOOL(HOST_CALL*)(PixelPoint* point, uint32_t events);
using ModuleRoutine  = void(HOST_CALL*)();
using GaugeRoutine   = void(HOST_CALL*)();
using InstallRoutine = void(HOST_CALL*)(ResourceHandle resources);
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

// ---------------------------------------------------------- host component

// The host component's three status bytes, read by the warning computer, sit
// at known offsets in the 32-bit host's component alone; the 64-bit host's
// build has no such place to read, and does not look the component up. The
// native test build models the 32-bit host's component.
#if defined(_WIN64)
inline constexpr bool host_status_bytes_known = false;
#else
inline constexpr bool host_status_bytes_known = true;
#endif

// ------------------------------------------------------------ record layout

// Every record is packed to 4 bytes, as the host packs its own. Fields named
// host_* are the host's: zero in the data, kept by the host at run time and
// never touched by the module. Slots named *_function are routines the host
// would call in place of its own where one is set; the module leaves them
// NULL.
#pragma pack(push, 4)

// Bytes of a record that the host keeps for itself: handles, saved images,
// previous values and the like.
template <std::size_t Bytes>
using HostBytes = uint8_t[Bytes];

// The host's own blocks whose length differs between the builds.
namespace host_block {
inline constexpr std::size_t static_image = by_width(36, 72);    // image set, handles, reserved
inline constexpr std::size_t needle       = by_width(100, 124);  // goals, angles, corners, images
inline constexpr std::size_t icon_data    = by_width(8, 16);     // image data, save buffer
inline constexpr std::size_t moving_image = by_width(48, 88);    // save position, images, mask
inline constexpr std::size_t string_image = by_width(8, 16);     // string image, save buffer
inline constexpr std::size_t handles      = by_width(28, 56);    // a string's drawing handles
}  // namespace host_block

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
    ElementHeader header                           = {};
    HostBytes<host_block::static_image> host_image = {};  // image set, save buffer, handles
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
    int32_t turn_limit            = {};              // most degrees per update; 0 for none
    HostBytes<host_block::needle> host_needle = {};  // goals, angles, corners, texture, save data
    ElementCallback callback                  = {};
    HostBytes<8> host_save_size               = {};
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
    HostBytes<host_block::icon_data> host_image_data = {};
    ElementCallback callback   = {};  // its result is the index of the image shown
    HostBytes<4> host_reserved = {};
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
    ElementHeader header                           = {};
    MovingAxis x                                   = {};
    MovingAxis y                                   = {};
    HostBytes<32> host_scale                       = {};  // scale and offset, x and y
    HostBytes<host_block::moving_image> host_image = {};
    ElementCallback x_callback                     = {};
    ElementCallback y_callback                     = {};
    HostBytes<16> host_previous                    = {};  // previous x and y
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
    HostBytes<pointer_bytes> host_previous_text    = {};
    BoxSize box                                    = {};
    HostBytes<host_block::string_image> host_image = {};
    uint32_t foreground                            = {};  // 0x00BBGGRR
    uint32_t background                            = {};
    uint32_t highlight                             = {};
    HostBytes<host_block::handles> host_handles    = {};
    FontFace font_face                             = {};
    int32_t font_weight                            = {};
    uint8_t charset                                = {};
    uint8_t charset_padding[3]                     = {};
    uint32_t format_flags                          = {};
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
    uintptr_t host_data    = {};  // 0 in the data
};

// What a mouse callback's point argument really addresses: the click point,
// then the host's own record of the click.
struct ClickRecord {
    PixelPoint point   = {};  // in gauge pixels
    GaugeHeader* gauge = {};
    MouseRect* rect    = {};
    PixelPoint screen  = {};
    uintptr_t reserved = {};
};

// ------------------------------------------------------------- gauge header

inline constexpr uint32_t gauge_header_key   = 0x320;
inline constexpr uint32_t default_gauge_size = 100;  // millimetres

// A header of version 800, numbered by the 32-bit header's fields; every
// field without a comment of its own is zero in every gauge of the module.
struct GaugeHeader {
    uint32_t key                = {};  // 1
    const char* name            = {};  // 2
    ElementHeader** elements    = {};  // 3: one slot holding the root element
    GaugeRoutine query          = {};  // 4 to 10: the seven shared routines
    InstallRoutine install      = {};
    GaugeRoutine initialize     = {};
    GaugeRoutine update         = {};
    GaugeRoutine32 generate     = {};
    GaugeRoutine draw           = {};
    GaugeRoutine kill           = {};
    uintptr_t reserved_11       = {};
    uint32_t size_mm            = {};  // 12: width
    uint32_t height_mm          = {};  // 13
    float adjust[2]             = {};  // 14, 15: x and y
    uintptr_t reserved_16_17[2] = {};
    PixelPoint position         = {};  // 18, 19
    uintptr_t reserved_20       = {};
    MouseRect* mouse_rects      = {};  // 21: NULL where the gauge takes no clicks
    GaugeCallback callback      = {};  // 22
    uintptr_t user_data         = {};  // 23
    uintptr_t parameters        = {};  // 24
    uintptr_t usage             = {};  // 25
    uint32_t reserved_26        = {};
    uintptr_t reserved_27       = {};
    uint32_t size[2]            = {};  // 28, 29
    double user_area[10]        = {};  // 30 to 49
    uint32_t flags              = {};  // 50
    uintptr_t reserved_51       = {};
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

// The six fields that open Linkage, and the host's panel service table too.
struct LinkagePrefix {
    uint32_t module_id         = {};
    ModuleRoutine module_start = {};
    ModuleRoutine module_stop  = {};
    uint32_t flags             = {};
    uint32_t priority          = {};
    uint32_t version           = {};
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

// The host's table of operations: the Linkage prefix, then one pointer per
// slot, numbered as in the 32-bit table (whose prefix takes slots 0 to 5).
// Only the slots the module calls are typed; every other slot is never called.
inline constexpr int panel_first_slot = 6;
inline constexpr int panel_slot_count = panel_first_slot + static_cast<int>(by_width(80, 88));

struct PanelServices {
    LinkagePrefix linkage                                                         = {};
    void* slots_6_23[18]                                                          = {};
    void(HOST_CALL* query_elements)(ElementHeader* root)                          = {};  // 24
    void(HOST_CALL* install_elements)(ElementHeader* root, ResourceHandle handle) = {};  // 25
    void(HOST_CALL* initialize_elements)(ElementHeader* root)                     = {};  // 26
    void(HOST_CALL* update_elements)(ElementHeader* root)                         = {};  // 27
    void(HOST_CALL* generate_elements)(ElementHeader* root, uint32_t value)       = {};  // 28
    void(HOST_CALL* draw_elements)(ElementHeader* root)                           = {};  // 29
    void* slot_30                                                                 = {};
    void(HOST_CALL* kill_elements)(ElementHeader* root)                           = {};  // 31
    void* slots_32_35[4]                                                          = {};
    void(HOST_CALL* send_key_event)(uint32_t event, uint32_t value)               = {};  // 36
    void* slots_37_39[3]                                                          = {};
    void(HOST_CALL* refresh_token_variable)(TokenVar* record)                     = {};  // 40
    void* slots_41_50[10]                                                         = {};
    uint32_t(HOST_CALL* find_named_variable)(const char* name)                    = {};  // 51
    uint32_t(HOST_CALL* create_named_variable)(const char* name)                  = {};  // 52
    double(HOST_CALL* read_named_variable)(uint32_t id)                           = {};  // 53
    void* slot_54                                                                 = {};
    void(HOST_CALL* write_named_variable)(uint32_t id, double value)              = {};  // 55
    void* slots_from_56[panel_slot_count - 56]                                    = {};
};

// The byte offset of a slot in the table.
constexpr std::size_t panel_slot_offset(int slot) {
    return sizeof(LinkagePrefix) +
           static_cast<std::size_t>(slot - panel_first_slot) * pointer_bytes;
}

#pragma pack(pop)

// ------------------------------------------------------------ layout checks

// Every offset and size of the host's records, 32-bit build / 64-bit build.
// Fields the host keeps are checked too: a record that is short of them lets
// the host write over what follows it.
static_assert(sizeof(TokenVar) == by_width(28, 32));
static_assert(offsetof(TokenVar, pointer) == 4);
static_assert(offsetof(TokenVar, value_type) == by_width(8, 12));
static_assert(offsetof(TokenVar, value) == by_width(12, 16));
static_assert(offsetof(TokenVar, previous_value) == by_width(20, 24));

static_assert(sizeof(NeedleRow) == 24 && offsetof(NeedleRow, value) == 8);
static_assert(offsetof(NeedleRow, angle) == 16);

static_assert(sizeof(ElementHeader) == by_width(60, 76));
static_assert(offsetof(ElementHeader, bitmap_id) == 4 && offsetof(ElementHeader, position) == 8);
static_assert(offsetof(ElementHeader, previous_position) == 16);
static_assert(offsetof(ElementHeader, offset) == 24 && offsetof(ElementHeader, gauge) == 32);
static_assert(offsetof(ElementHeader, previous) == by_width(36, 40));
static_assert(offsetof(ElementHeader, next) == by_width(40, 48));
static_assert(offsetof(ElementHeader, failures) == by_width(44, 56));
static_assert(offsetof(ElementHeader, image_flags) == by_width(48, 64));
static_assert(offsetof(ElementHeader, special) == by_width(52, 68));
static_assert(offsetof(ElementHeader, reserved) == by_width(56, 72));

static_assert(sizeof(StaticImage) == by_width(96, 148));
static_assert(offsetof(StaticImage, host_image) == by_width(60, 76));

static_assert(sizeof(Needle) == by_width(236, 304));
static_assert(offsetof(Needle, source) == by_width(60, 76));
static_assert(offsetof(Needle, source) + offsetof(TokenVar, value) == by_width(72, 92));
static_assert(offsetof(Needle, source_function) == by_width(88, 108));
static_assert(offsetof(Needle, display_function) == by_width(92, 116));
static_assert(offsetof(Needle, angle_function) == by_width(96, 124));
static_assert(offsetof(Needle, lag_function) == by_width(100, 132));
static_assert(offsetof(Needle, host_reference) == by_width(104, 140));
static_assert(offsetof(Needle, table) == by_width(112, 148));
static_assert(offsetof(Needle, row_count) == by_width(116, 156));
static_assert(offsetof(Needle, turn_limit) == by_width(120, 160));
static_assert(offsetof(Needle, host_needle) == by_width(124, 164));
static_assert(offsetof(Needle, callback) == by_width(224, 288));
static_assert(offsetof(Needle, host_save_size) == by_width(228, 296));

static_assert(sizeof(Icon) == by_width(140, 176));
static_assert(offsetof(Icon, source) == by_width(60, 76));
static_assert(offsetof(Icon, source_function) == by_width(88, 108));
static_assert(offsetof(Icon, switch_mode) == by_width(92, 116));
static_assert(offsetof(Icon, host_switches) == by_width(96, 120));
static_assert(offsetof(Icon, scale) == by_width(100, 124));
static_assert(offsetof(Icon, offset) == by_width(108, 132));
static_assert(offsetof(Icon, image_count) == by_width(112, 136));
static_assert(offsetof(Icon, host_images) == by_width(116, 140));
static_assert(offsetof(Icon, host_image_data) == by_width(124, 148));
static_assert(offsetof(Icon, callback) == by_width(132, 164));
static_assert(offsetof(Icon, host_reserved) == by_width(136, 172));

static_assert(sizeof(MovingAxis) == by_width(52, 64));
static_assert(offsetof(MovingAxis, source_function) == by_width(28, 32));
static_assert(offsetof(MovingAxis, min) == by_width(32, 40));
static_assert(offsetof(MovingAxis, max) == by_width(40, 48));
static_assert(offsetof(MovingAxis, lag_function) == by_width(48, 56));
static_assert(sizeof(MovingImage) == by_width(268, 356));
static_assert(offsetof(MovingImage, x) == by_width(60, 76));
static_assert(offsetof(MovingImage, x) + offsetof(MovingAxis, min) == by_width(92, 116));
static_assert(offsetof(MovingImage, x) + offsetof(MovingAxis, lag_function) == by_width(108, 132));
static_assert(offsetof(MovingImage, y) == by_width(112, 140));
static_assert(offsetof(MovingImage, y) + offsetof(MovingAxis, min) == by_width(144, 180));
static_assert(offsetof(MovingImage, y) + offsetof(MovingAxis, lag_function) == by_width(160, 196));
static_assert(offsetof(MovingImage, host_scale) == by_width(164, 204));
static_assert(offsetof(MovingImage, host_image) == by_width(196, 236));
static_assert(offsetof(MovingImage, x_callback) == by_width(244, 324));
static_assert(offsetof(MovingImage, y_callback) == by_width(248, 332));
static_assert(offsetof(MovingImage, host_previous) == by_width(252, 340));

static_assert(sizeof(String) == by_width(324, 420));
static_assert(offsetof(String, sources) == by_width(60, 76));
static_assert(sizeof(String::sources[0]) == by_width(28, 32));
static_assert(offsetof(String, host_saved_values) == by_width(144, 172));
static_assert(offsetof(String, source_functions) == by_width(168, 196));
static_assert(offsetof(String, string_function) == by_width(180, 220));
static_assert(offsetof(String, text) == by_width(184, 228));
static_assert(offsetof(String, host_previous_text) == by_width(188, 236));
static_assert(offsetof(String, box) == by_width(192, 244));
static_assert(offsetof(String, host_image) == by_width(200, 252));
static_assert(offsetof(String, foreground) == by_width(208, 268));
static_assert(offsetof(String, background) == by_width(212, 272));
static_assert(offsetof(String, highlight) == by_width(216, 276));
static_assert(offsetof(String, host_handles) == by_width(220, 280));
static_assert(offsetof(String, font_face) == by_width(248, 336));
static_assert(offsetof(String, font_weight) == by_width(280, 368));
static_assert(offsetof(String, charset) == by_width(284, 372));
static_assert(offsetof(String, format_flags) == by_width(288, 376));
static_assert(offsetof(String, longest_text) == by_width(292, 380));
static_assert(offsetof(String, host_selection) == by_width(294, 382));
static_assert(offsetof(String, highlight_list) == by_width(300, 388));
static_assert(offsetof(String, host_highlight_state) == by_width(304, 396));
static_assert(offsetof(String, font_size) == by_width(308, 400));
static_assert(offsetof(String, callback) == by_width(312, 404));
static_assert(offsetof(String, host_user_colour) == by_width(316, 412));

static_assert(sizeof(MouseRect) == by_width(44, 52));
static_assert(offsetof(MouseRect, cursor) == 20 && offsetof(MouseRect, events) == 28);
static_assert(offsetof(MouseRect, key_event) == 32 && offsetof(MouseRect, callback) == 36);
static_assert(offsetof(MouseRect, host_data) == by_width(40, 44));
static_assert(sizeof(ClickRecord) == by_width(28, 40));
static_assert(offsetof(ClickRecord, gauge) == 8 && offsetof(ClickRecord, rect) == by_width(12, 16));
static_assert(offsetof(ClickRecord, screen) == by_width(16, 24));
static_assert(offsetof(ClickRecord, reserved) == by_width(24, 32));

static_assert(sizeof(GaugeHeader) == by_width(204, 284));
static_assert(offsetof(GaugeHeader, name) == 4 &&
              offsetof(GaugeHeader, elements) == by_width(8, 12));
static_assert(offsetof(GaugeHeader, query) == by_width(12, 20));
static_assert(offsetof(GaugeHeader, kill) == by_width(36, 68));
static_assert(offsetof(GaugeHeader, reserved_11) == by_width(40, 76));
static_assert(offsetof(GaugeHeader, size_mm) == by_width(44, 84));
static_assert(offsetof(GaugeHeader, adjust) == by_width(52, 92));
static_assert(offsetof(GaugeHeader, position) == by_width(68, 116));
static_assert(offsetof(GaugeHeader, mouse_rects) == by_width(80, 132));
static_assert(offsetof(GaugeHeader, callback) == by_width(84, 140));
static_assert(offsetof(GaugeHeader, user_data) == by_width(88, 148));
static_assert(offsetof(GaugeHeader, reserved_26) == by_width(100, 172));
static_assert(offsetof(GaugeHeader, size) == by_width(108, 184));
static_assert(offsetof(GaugeHeader, user_area) == by_width(116, 192));
static_assert(offsetof(GaugeHeader, flags) == by_width(196, 272));
static_assert(offsetof(GaugeHeader, reserved_51) == by_width(200, 276));

static_assert(sizeof(ImportTableRecord) == by_width(16, 24));
static_assert(offsetof(ImportTableRecord, terminator) == by_width(8, 12));
static_assert(offsetof(ImportEntry, table) == 4);
static_assert(sizeof(LinkagePrefix) == by_width(24, 32));
static_assert(offsetof(LinkageRecord, module_stop) == by_width(8, 12));
static_assert(offsetof(LinkageRecord, flags) == by_width(12, 20));
static_assert(offsetof(LinkageRecord, version) == by_width(20, 28));
static_assert(offsetof(LinkageRecord, gauges) == sizeof(LinkagePrefix));
static_assert(sizeof(LinkageRecord) == by_width(24 + 17 * 4, 32 + 17 * 8));

// The table's slots: the 32-bit slot s at 4 s, in the 64-bit table at 8 s - 16.
static_assert(panel_slot_offset(24) == by_width(96, 176));
static_assert(offsetof(PanelServices, query_elements) == panel_slot_offset(24));
static_assert(offsetof(PanelServices, install_elements) == panel_slot_offset(25));
static_assert(offsetof(PanelServices, initialize_elements) == panel_slot_offset(26));
static_assert(offsetof(PanelServices, update_elements) == panel_slot_offset(27));
static_assert(offsetof(PanelServices, generate_elements) == panel_slot_offset(28));
static_assert(offsetof(PanelServices, draw_elements) == panel_slot_offset(29));
static_assert(offsetof(PanelServices, kill_elements) == by_width(124, 232));
static_assert(offsetof(PanelServices, send_key_event) == by_width(144, 272));
static_assert(offsetof(PanelServices, refresh_token_variable) == by_width(160, 304));
static_assert(offsetof(PanelServices, find_named_variable) == by_width(204, 392));
static_assert(offsetof(PanelServices, create_named_variable) == by_width(208, 400));
static_assert(offsetof(PanelServices, read_named_variable) == by_width(212, 408));
static_assert(offsetof(PanelServices, write_named_variable) == by_width(220, 424));
static_assert(sizeof(PanelServices) == by_width(24 + 80 * 4, 736));

}  // namespace host

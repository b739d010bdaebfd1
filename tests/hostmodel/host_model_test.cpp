// Checks of the host model itself, against the real module's gauges and
// elements the tests put in place of a gauge's root for a while.
#include "hostmodel/host_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "hostmodel/binding.h"
#include "resources/bitmap_ids.h"
#include "tests/module/gauge_table.h"
#include "tests/support/host_test.h"

namespace {

using hostmodel::Host;

constexpr uint32_t absent_variable = 0xFFFFFFFF;

// The gauge whose root the tests replace for a while.
constexpr char test_gauge[] = "MERTQ4ComLnk";

class HostModel : public host_test::HostTest {
  protected:
    // Takes the faults recorded since the last take; true if `fault` is among them.
    bool faulted(const std::string& fault) {
        const std::vector<std::string> faults = take_faults();
        return std::find(faults.begin(), faults.end(), fault) != faults.end();
    }
};

// Puts an element chain in place of the test gauge's root until destroyed,
// and takes the gauge off the panel then: the host installed the chain's
// elements, which live no longer than the test's scope.
class SwappedRoot {
  public:
    SwappedRoot(Host& host, host::ElementHeader* root)
        : host_(host),
          slot_(host.gauge(test_gauge)->elements),
          saved_(std::exchange(*slot_, root)) {}
    ~SwappedRoot() {
        const std::vector<std::string> placed = host_.placed();
        if (std::find(placed.begin(), placed.end(), test_gauge) != placed.end()) {
            host_.remove(test_gauge);
        }
        *slot_ = saved_;
    }
    SwappedRoot(const SwappedRoot&)            = delete;
    SwappedRoot& operator=(const SwappedRoot&) = delete;

  private:
    Host& host_;
    host::ElementHeader** slot_;
    host::ElementHeader* saved_;
};

// Replaces a field of a gauge's record for a while. The field is reached
// through its address as bytes: a packed record's pointer may sit where no
// reference to it may bind.
template <typename T>
class Swapped {
  public:
    Swapped(void* field, T value) : field_(field) {
        std::memcpy(&saved_, field_, sizeof saved_);
        std::memcpy(field_, &value, sizeof value);
    }
    ~Swapped() { std::memcpy(field_, &saved_, sizeof saved_); }
    Swapped(const Swapped&)            = delete;
    Swapped& operator=(const Swapped&) = delete;

  private:
    void* field_;
    T saved_;
};

host::ElementHeader header(uint32_t type, int32_t bitmap_id, host::PixelPoint position,
                           host::ElementHeader** next) {
    return {.type = type, .bitmap_id = bitmap_id, .position = position, .next = next};
}

TEST_F(HostModel, DrawsTheSoundLinkRoot) {
    host.place("MERTQ4ComLnk");
    host.frame();
    ASSERT_FALSE(host.drawn("MERTQ4ComLnk").empty());
    const hostmodel::DrawnElement root = host.drawn("MERTQ4ComLnk").front();
    EXPECT_EQ(root.index, 0);
    EXPECT_EQ(root.bitmap_id, 0x100);
    EXPECT_EQ(root.width, 28);
    EXPECT_EQ(root.height, 28);
}

TEST_F(HostModel, PlacingAndRemovingEverythingRecordsNoFault) {
    for (const expected::Gauge& g : expected::gauges) host.place(g.name);
    host.frames(3);
    for (const expected::Gauge& g : expected::gauges) host.remove(g.name);
    EXPECT_TRUE(host.placed().empty());
    EXPECT_EQ(take_faults(), std::vector<std::string>{});
}

TEST_F(HostModel, PlacingTwiceIsAFault) {
    host.place(test_gauge);
    host.place(test_gauge);
    EXPECT_EQ(host.placed(), std::vector<std::string>{test_gauge});
    EXPECT_EQ(take_faults().size(), 1u);
}

TEST_F(HostModel, ServiceTableIsInstalledInImportTable) {
    const host::ImportTableRecord& table = host.import_table();
    EXPECT_EQ(table.panels.id, host::panels_entry_id);
    ASSERT_NE(host_test::field(table.panels.table), nullptr);
    EXPECT_NE(table.panels.table->refresh_token_variable, nullptr);
}

TEST_F(HostModel, NamedVariablesRoundTrip) {
    host::PanelServices& panel = *host.import_table().panels.table;
    EXPECT_EQ(panel.find_named_variable("HostModelRoundTrip"), absent_variable);
    const uint32_t id = panel.create_named_variable("HostModelRoundTrip");
    EXPECT_NE(id, absent_variable);
    EXPECT_EQ(panel.create_named_variable("HostModelRoundTrip"), id);
    EXPECT_EQ(panel.find_named_variable("HostModelRoundTrip"), id);
    EXPECT_TRUE(host.named_exists("HostModelRoundTrip"));
    EXPECT_EQ(panel.read_named_variable(id), 0.0);
    panel.write_named_variable(id, 12.5);
    EXPECT_EQ(host.named("HostModelRoundTrip"), 12.5);
    host.set_named("HostModelRoundTrip", -3.0);
    EXPECT_EQ(panel.read_named_variable(id), -3.0);

    host.set_named("HostModelWrittenByXml", 7.0);
    const uint32_t xml = panel.find_named_variable("HostModelWrittenByXml");
    ASSERT_NE(xml, absent_variable);
    EXPECT_EQ(panel.read_named_variable(xml), 7.0);
    EXPECT_EQ(panel.read_named_variable(absent_variable - 1), 0.0);
    EXPECT_EQ(host.named("HostModelNeverWritten"), 0.0);
    EXPECT_FALSE(host.named_exists("HostModelNeverWritten"));
}

TEST_F(HostModel, TokenRefreshKeepsThePreviousValue) {
    host::PanelServices& panel = *host.import_table().panels.table;
    constexpr uint32_t token   = 0xBEEF;
    host.set_token(token, 2.5);
    host::TokenVar record{.id = token};
    panel.refresh_token_variable(&record);
    EXPECT_EQ(record.value, 2.5);
    host.set_token(token, 3.5);
    panel.refresh_token_variable(&record);
    EXPECT_EQ(record.value, 3.5);
    EXPECT_EQ(record.previous_value, 2.5);
    host::TokenVar unknown{.id = token + 1, .value = 9.0};
    panel.refresh_token_variable(&unknown);
    EXPECT_EQ(unknown.value, 0.0);
}

// Every slot after the Linkage prefix that the module must not call, at the
// host's offset of that slot, down to the table's last.
TEST_F(HostModel, UnusedSlotsRecordAFaultNamingThem) {
    const auto* table = reinterpret_cast<const char*>(host.import_table().panels.table);
    for (int slot : {host::panel_first_slot, 23, 30, 54, 56, host::panel_slot_count - 1}) {
        void* stub = nullptr;
        std::memcpy(&stub, table + host::panel_slot_offset(slot), sizeof stub);
        reinterpret_cast<void(HOST_CALL*)()>(stub)();
        EXPECT_TRUE(faulted("slot " + std::to_string(slot) + " called")) << slot;
    }
}

// The install routine hands on a resource handle as wide as the host's
// pointers (its upper half included in the 64-bit build).
TEST_F(HostModel, ElementOperationsAreRecorded) {
    const auto resources = static_cast<host::ResourceHandle>(0x7FF6'5A5A'1234ull);
    host.clear_element_operations();
    host::GaugeHeader* gauge = host.gauge(test_gauge);
    gauge->update();
    gauge->install(resources);
    ASSERT_EQ(host.element_operations().size(), 2u);
    const host::ElementHeader* first_root = *host.linkage().gauges[0]->elements;
    EXPECT_EQ(host.element_operations()[0].slot, 27);
    EXPECT_EQ(host.element_operations()[0].root, first_root);
    EXPECT_EQ(host.element_operations()[1].slot, 25);
    EXPECT_EQ(host.element_operations()[1].value, resources);
    EXPECT_TRUE(take_faults().empty());
}

struct ServiceCall {
    std::string gauge;
    int32_t code;
    bool operator==(const ServiceCall&) const = default;
};
std::vector<ServiceCall> service_calls;

void HOST_CALL record_service(host::GaugeHeader* gauge, int32_t code, host::ServiceData) {
    service_calls.push_back({gauge->name, code});
}

TEST_F(HostModel, ServiceCodesComeInFrameOrder) {
    host::GaugeHeader* a = host.gauge("MERTQ4VSI");
    host::GaugeHeader* b = host.gauge("MERTQ4ASPD");
    Swapped<host::GaugeCallback> swap_a(&a->callback, record_service);
    Swapped<host::GaugeCallback> swap_b(&b->callback, record_service);
    service_calls.clear();
    host.place("MERTQ4VSI");
    host.place("MERTQ4ASPD");
    host.frame();
    host.remove("MERTQ4VSI");
    const std::vector<ServiceCall> expected = {
        {"MERTQ4VSI", 2},  {"MERTQ4VSI", 4},   {"MERTQ4VSI", 14}, {"MERTQ4ASPD", 2},
        {"MERTQ4ASPD", 4}, {"MERTQ4ASPD", 14}, {"MERTQ4VSI", 6},  {"MERTQ4ASPD", 6},
        {"MERTQ4VSI", 10}, {"MERTQ4ASPD", 10}, {"MERTQ4VSI", 12},
    };
    EXPECT_EQ(service_calls, expected);
    EXPECT_EQ(host.placed(), std::vector<std::string>{"MERTQ4ASPD"});
}

std::vector<std::pair<int, uint32_t>> mouse_calls;  // (x, events)

host::BOOL HOST_CALL first_box(host::PixelPoint* point, uint32_t events) {
    mouse_calls.emplace_back(point->x, events);
    return 0;
}
host::BOOL HOST_CALL second_box(host::PixelPoint* point, uint32_t events) {
    mouse_calls.emplace_back(-point->x, events);
    return 0;
}

TEST_F(HostModel, ClicksGoToTheFirstChildHoldingThePoint) {
    host::MouseRect list[] = {
        {.type = host::mouse_record::parent, .cursor = host::cursor::none},
        {.type     = host::mouse_record::child,
         .x        = 0,
         .y        = 0,
         .width    = 10,
         .height   = 10,
         .cursor   = host::cursor::hand,
         .events   = host::mouse_event::left_click | host::mouse_event::repeat,
         .callback = first_box},
        {.type     = host::mouse_record::child,
         .x        = 5,
         .y        = 5,
         .width    = 10,
         .height   = 10,
         .cursor   = host::cursor::up_arrow,
         .events   = host::mouse_event::left_click,
         .callback = second_box},
        {.type = host::mouse_record::parent_end, .cursor = host::cursor::none},
        {.type = host::mouse_record::end_of_list, .cursor = host::cursor::none},
    };
    Swapped<host::MouseRect*> swap(&host.gauge(test_gauge)->mouse_rects, list);
    host.place(test_gauge);
    mouse_calls.clear();
    EXPECT_EQ(host.click(test_gauge, 5, 5), 1);
    EXPECT_EQ(host.click(test_gauge, 9, 9, host::mouse_event::right_click, 3), 4);
    EXPECT_EQ(host.click(test_gauge, 10, 10, host::mouse_event::left_click, 3), 1);
    EXPECT_EQ(host.click(test_gauge, 15, 15), 0);
    const std::vector<std::pair<int, uint32_t>> expected = {
        {5, host::mouse_event::left_click},  {9, host::mouse_event::right_click},
        {9, host::mouse_event::right_click}, {9, host::mouse_event::right_click},
        {9, host::mouse_event::right_click}, {-10, host::mouse_event::left_click},
    };
    EXPECT_EQ(mouse_calls, expected);
    EXPECT_EQ(host.cursor_at(test_gauge, 0, 9), host::cursor::hand);
    EXPECT_EQ(host.cursor_at(test_gauge, 14, 14), host::cursor::up_arrow);
    EXPECT_EQ(host.cursor_at(test_gauge, 14, 15), host::cursor::none);
    EXPECT_EQ(host.mouse_areas(test_gauge),
              (std::vector<const host::MouseRect*>{&list[1], &list[2]}))
        << "the children, in the order the hit test tries them";
}

TEST_F(HostModel, GaugeWithoutMouseListTakesNoClick) {
    host.place(test_gauge);
    EXPECT_EQ(host.click(test_gauge, 1, 1), 0);
    EXPECT_EQ(host.cursor_at(test_gauge, 1, 1), host::cursor::none);
    EXPECT_TRUE(host.mouse_areas(test_gauge).empty());
}

constexpr uint32_t needle_token = 0xA001;

double HOST_CALL doubled_source(host::ElementHeader* element) {
    return 2 * reinterpret_cast<host::Needle*>(element)->source.value;
}

TEST_F(HostModel, NeedleFollowsItsTableAndTurnLimit) {
    constexpr host::PixelPoint pivot = {100, 100};
    // Two rows either side of the wrap at 180 degrees, then one straight down.
    host::NeedleRow rows[] = {
        {.point = {0, 101}, .value = 0},
        {.point = {0, 99}, .value = 10},
        {.point = {100, 200}, .value = 20},
    };
    host::Needle needle = {
        .header     = header(host::element_type::needle, bitmap::vsi_pointer, pivot, nullptr),
        .source     = {.id = needle_token},
        .table      = rows,
        .row_count  = std::size(rows),
        .turn_limit = 10,
        .callback   = doubled_source,
    };
    SwappedRoot swap(host, &needle.header);
    host.set_token(needle_token, 2.5);  // 5 after the callback: half way across the wrap
    host.place(test_gauge);
    EXPECT_FLOAT_EQ(rows[2].angle, 90.0f);
    host.frame();
    EXPECT_EQ(host.value(test_gauge, 0), 5.0);
    EXPECT_NEAR(std::abs(host.angle(test_gauge, 0)), 180.0, 1e-9);  // went straight there
    host.set_token(needle_token, 10);  // 20: straight down, 90 degrees away
    host.frame();
    EXPECT_NEAR(host.angle(test_gauge, 0), 170.0, 1e-9);  // 10 degrees on, anticlockwise
    host.frames(20);
    EXPECT_NEAR(host.angle(test_gauge, 0), host.angle_towards(test_gauge, 0, rows[2].point), 1e-9);
    ASSERT_EQ(host.drawn(test_gauge).size(), 1u);
    EXPECT_EQ(host.drawn(test_gauge)[0].bitmap_id, bitmap::vsi_pointer);
    EXPECT_TRUE(take_faults().empty());
}

// Writes one byte more than its string's longest text allows.
double HOST_CALL overrunning_text(host::ElementHeader* element) {
    host::String& string = *reinterpret_cast<host::String*>(element);
    std::memset(string.text, 'x', string.longest_text + 1u);
    return 0;
}

// Fills the whole buffer, terminator included.
double HOST_CALL fitting_text(host::ElementHeader* element) {
    host::String& string = *reinterpret_cast<host::String*>(element);
    std::memset(string.text, 'y', string.longest_text - 1u);
    string.text[string.longest_text - 1] = '\0';
    return 1;
}

TEST_F(HostModel, StringBuffersAreSizedFromTheLongestTextAndGuarded) {
    host::String fits = {
        .header       = header(host::element_type::string, -1, {0, 0}, nullptr),
        .box          = {20, 10},
        .longest_text = 40,
        .callback     = fitting_text,
    };
    host::ElementHeader* after_root[] = {&fits.header, nullptr};

    host::String overruns = {
        .header       = header(host::element_type::string, -1, {0, 0}, after_root),
        .longest_text = 4,
        .callback     = overrunning_text,
    };
    SwappedRoot swap(host, &overruns.header);
    host.place(test_gauge);
    ASSERT_NE(host_test::field(overruns.text), nullptr);
    ASSERT_NE(host_test::field(fits.text), nullptr);
    EXPECT_EQ(host.text(test_gauge, 0), "");
    host.frame();
    EXPECT_EQ(host.text(test_gauge, 0), "xxxx");
    EXPECT_EQ(host.text(test_gauge, 1), std::string(39, 'y'));
    EXPECT_EQ(take_faults(), std::vector<std::string>{"string buffer overrun in " +
                                                      std::string(test_gauge) + " element 0"});
    const std::vector<hostmodel::DrawnElement>& drawn = host.drawn(test_gauge);
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(drawn[1].bitmap_id, -1);
    EXPECT_EQ(drawn[1].width, 20);
    host.remove(test_gauge);
    EXPECT_EQ(host_test::field(overruns.text), nullptr);
}

// Terminates the text at its first byte.
double HOST_CALL empty_text(host::ElementHeader* element) {
    reinterpret_cast<host::String*>(element)->text[0] = '\0';
    return 0;
}

// A string that asks for no text gets a buffer of no bytes: the first byte
// the module writes into it is an overrun.
TEST_F(HostModel, AStringWithoutLongestTextGetsNoRoom) {
    host::String no_room = {
        .header   = header(host::element_type::string, -1, {0, 0}, nullptr),
        .callback = empty_text,
    };
    SwappedRoot swap(host, &no_room.header);
    host.place(test_gauge);
    host.frame();
    EXPECT_EQ(host.text(test_gauge, 0), "");
    EXPECT_TRUE(faulted("string buffer overrun in " + std::string(test_gauge) + " element 0"));
}

// Update callbacks that write where the host keeps its own fields.
double HOST_CALL writes_needle_data(host::ElementHeader* element) {
    reinterpret_cast<host::Needle*>(element)->host_needle[99] = 0;
    return 0;
}
double HOST_CALL writes_previous_element(host::ElementHeader* element) {
    element->previous = nullptr;
    return 0;
}
double HOST_CALL writes_source_type(host::ElementHeader* element) {
    reinterpret_cast<host::Needle*>(element)->source.value_type = 0;
    return 0;
}
double HOST_CALL keeps_to_its_own(host::ElementHeader* element) {
    element->image_flags ^= host::image_flag::hidden;
    return 0;
}

TEST_F(HostModel, AWriteIntoAHostFieldIsAFault) {
    struct Row {
        const char* reason;
        host::ElementCallback callback;
        std::size_t byte;  // the first byte written; 0 for none
    };
    const Row rows[] = {
        {"the needle's save data, its last byte", writes_needle_data,
         offsetof(host::Needle, host_needle) + 99},
        {"the header's previous element", writes_previous_element,
         offsetof(host::ElementHeader, previous)},
        {"the source record's value type", writes_source_type,
         offsetof(host::Needle, source) + offsetof(host::TokenVar, value_type)},
        {"the image flags are the module's own", keeps_to_its_own, 0},
    };
    for (const Row& row : rows) {
        host::Needle needle = {
            .header   = header(host::element_type::needle, bitmap::vsi_pointer, {9, 9}, nullptr),
            .source   = {.id = needle_token},
            .callback = row.callback,
        };
        SwappedRoot swap(host, &needle.header);
        host.place(test_gauge);
        host.frames(2);
        const std::vector<std::string> expected =
            row.byte == 0
                ? std::vector<std::string>{}
                : std::vector<std::string>{"host field at byte " + std::to_string(row.byte) +
                                               " of " + test_gauge + " element 0 written",
                                           "host field at byte " + std::to_string(row.byte) +
                                               " of " + test_gauge + " element 0 written"};
        EXPECT_EQ(take_faults(), expected) << row.reason << ": once a frame";
    }
}

double HOST_CALL moves_its_text(host::ElementHeader* element) {
    static char elsewhere[4];
    reinterpret_cast<host::String*>(element)->text = elsewhere;
    return 0;
}

TEST_F(HostModel, AStringThatMovesItsBufferIsAFault) {
    host::String moved = {
        .header       = header(host::element_type::string, -1, {0, 0}, nullptr),
        .longest_text = 4,
        .callback     = moves_its_text,
    };
    SwappedRoot swap(host, &moved.header);
    host.place(test_gauge);
    char* const provided = moved.text;
    host.frame();
    EXPECT_TRUE(
        faulted("text buffer pointer of " + std::string(test_gauge) + " element 0 written"));
    EXPECT_EQ(host_test::field(moved.text), provided) << "the host's pointer is put back";
}

TEST_F(HostModel, IconsMovingImagesAndHiddenElements) {
    constexpr uint32_t icon_token  = 0xA002;
    constexpr uint32_t strip_token = 0xA003;

    host::MovingImage strip = {
        .header =
            header(host::element_type::moving_image, bitmap::alerter_digit_strip, {0, 0}, nullptr),
        .y = {.source = {.id = strip_token}, .min = 10, .max = 20},
    };
    host::ElementHeader* after_icon[] = {&strip.header, nullptr};

    host::Icon icon = {
        .header      = header(host::element_type::icon, bitmap::sign_lever_up, {0, 0}, after_icon),
        .source      = {.id = icon_token},
        .image_count = 2,
    };
    host::ElementHeader* after_hidden[] = {&icon.header, nullptr};

    host::StaticImage hidden = {
        .header = header(host::element_type::static_image, 0x7777, {0, 0}, after_hidden),
    };
    hidden.header.image_flags = host::image_flag::hidden;
    SwappedRoot swap(host, &hidden.header);
    host.set_token(icon_token, 1.9);
    host.set_token(strip_token, 12.5);
    host.place(test_gauge);
    host.frame();
    EXPECT_TRUE(host.hidden(test_gauge, 0));
    EXPECT_EQ(host.icon_image(test_gauge, 1), 1);
    EXPECT_DOUBLE_EQ(host.moving_fraction(test_gauge, 2), 0.25);
    const std::vector<hostmodel::DrawnElement>& drawn = host.drawn(test_gauge);
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(drawn[0].index, 1);
    EXPECT_EQ(drawn[0].bitmap_id, bitmap::sign_lever_down);
    EXPECT_EQ(drawn[1].index, 2);
    EXPECT_TRUE(take_faults().empty());  // the hidden element's bitmap is never looked up

    hidden.header.image_flags = 0;
    host.frame();
    EXPECT_TRUE(faulted("missing bitmap 0x7777 in " + std::string(test_gauge) + " element 0"));
}

TEST_F(HostModel, SoundLibraryHeldByAnotherModule) {
    const bool loaded_before    = host.sound_library_loaded();
    const int module_references = host.module_sound_references();
    host.hold_sound_library(true);
    EXPECT_TRUE(host.sound_library_loaded());
    EXPECT_EQ(host.module_sound_references(), module_references);
    host.hold_sound_library(false);
    EXPECT_EQ(host.sound_library_loaded(), loaded_before);
    EXPECT_EQ(host.module_sound_references(), module_references);
    if (loaded_before) return;

    host.set_sound_library(hostmodel::SoundLibrary::absent);
    host.hold_sound_library(true);
    EXPECT_FALSE(host.sound_library_loaded());
    host.hold_sound_library(false);
    host.set_sound_library(hostmodel::SoundLibrary::present);
}

// A module breaking one rule of the loader or of the sound library, played
// through the loader calls as the binding serves the module's own: each row
// a misuse, the faults it must record and the sound calls that get through.
using hostmodel::binding::ModuleLoader;
using PlayEntry      = void(LIBRARY_CALL*)(const char* path, const char* key, int32_t loop);
using StopEntry      = void(LIBRARY_CALL*)(const char* key);
using TerminateEntry = void(LIBRARY_CALL*)();

template <typename Entry>
Entry entry(const ModuleLoader& loader, void* library, const char* name) {
    return reinterpret_cast<Entry>(loader.proc_address(library, name));
}

struct Misuse {
    const char* reason;
    void (*act)(Host& host, const ModuleLoader& loader);
    std::vector<std::string> faults;
    std::vector<hostmodel::SoundCall> heard = {};
};

// clang-format off
const Misuse misuses[] = {
    {"none: load, look up, play, free",
     [](Host&, const ModuleLoader& loader) {
         void* library = loader.load_library("GaugeSound");
         entry<PlayEntry>(loader, library, "GaugePlaySound")("a.wav", "k", 0);
         loader.free_library(library);
     }, {}, {hostmodel::play("a.wav", "k")}},
    {"a lookup in the library after releasing it",
     [](Host&, const ModuleLoader& loader) {
         void* library = loader.load_library("GaugeSound");
         loader.free_library(library);
         loader.proc_address(library, "GaugePlaySound");
     }, {"GetProcAddress on a module that is not loaded"}},
    {"a play through an entry point of the released library",
     [](Host&, const ModuleLoader& loader) {
         void* library  = loader.load_library("GaugeSound");
         const auto play = entry<PlayEntry>(loader, library, "GaugePlaySound");
         loader.free_library(library);
         play("a.wav", "k", 0);
     }, {"GaugePlaySound called after its library left the process"}},
    {"a stop through an entry point of the released library",
     [](Host&, const ModuleLoader& loader) {
         void* library  = loader.load_library("GaugeSound");
         const auto stop = entry<StopEntry>(loader, library, "GaugeStopSound");
         loader.free_library(library);
         stop("k");
     }, {"GaugeStopSound called after its library left the process"}},
    {"a terminate through an entry point of the released library",
     [](Host&, const ModuleLoader& loader) {
         void* library       = loader.load_library("GaugeSound");
         const auto terminate = entry<TerminateEntry>(loader, library, "TerminateSounds");
         loader.free_library(library);
         terminate();
     }, {"TerminateSounds called after its library left the process"}},
    {"a free of another module's reference",
     [](Host& host, const ModuleLoader& loader) {
         host.hold_sound_library(true);
         loader.free_library(loader.module_handle("GaugeSound"));
         EXPECT_TRUE(host.sound_library_loaded()) << "the other module's reference was released";
         host.hold_sound_library(false);
     }, {"FreeLibrary of a module the module holds no reference on"}},
    {"a second free of one load",
     [](Host&, const ModuleLoader& loader) {
         void* library = loader.load_library("GaugeSound");
         loader.free_library(library);
         loader.free_library(library);
     }, {"FreeLibrary of a module the module holds no reference on"}},
    {"a load of the host component",
     [](Host&, const ModuleLoader& loader) { loader.load_library("GLOBAL.DLL"); },
     {"the module loaded the host component"}},
    {"a lookup in the host component after it left",
     [](Host& host, const ModuleLoader& loader) {
         void* component = loader.module_handle("GLOBAL.DLL");
         host.set_host_component(false);
         loader.proc_address(component, "Linkage");
     }, {"GetProcAddress on a module that is not loaded"}},
    {"a lookup through NULL",
     [](Host&, const ModuleLoader& loader) { loader.proc_address(nullptr, "GaugePlaySound"); },
     {"GetProcAddress on a module that is not loaded"}},
    {"a free of NULL",
     [](Host&, const ModuleLoader& loader) { loader.free_library(nullptr); },
     {"FreeLibrary of a module the module holds no reference on"}},
};
// clang-format on

TEST_F(HostModel, EachMisuseOfTheLoaderOrTheSoundLibraryIsAFault) {
    const ModuleLoader loader = hostmodel::binding::module_loader();
    for (const Misuse& misuse : misuses) {
        SCOPED_TRACE(misuse.reason);
        host.reload();
        misuse.act(host, loader);
        EXPECT_EQ(host.faults(), misuse.faults);
        take_faults();
        EXPECT_EQ(host.take_sound_calls(), misuse.heard);
        EXPECT_EQ(host.module_sound_references(), 0);
    }
}

TEST_F(HostModel, SoundCallsDescribeThemselves) {
    EXPECT_EQ(hostmodel::describe(hostmodel::play("a.wav", "k", 1)), "play(\"a.wav\", \"k\", 1)");
    EXPECT_EQ(hostmodel::describe(hostmodel::stop("k")), "stop(\"k\")");
    EXPECT_EQ(hostmodel::describe(hostmodel::terminate()), "terminate()");
    EXPECT_EQ(::testing::PrintToString(hostmodel::stop("k")), "stop(\"k\")");
}

// ------------------------------------------- reload: a fresh module and host

constexpr char alerter[]                     = "MERTQ4ALTALRT";
constexpr char alerter_knob[]                = "MERTQ4ALTALRTKNB";
constexpr host::PixelPoint alerter_knob_area = {18, 18};

// The altitude the alerter's three counter drums (elements 1 to 3) show, in feet.
double shown_altitude_ft(Host& host) {
    host.frame();
    return host.value(alerter, 1) * 10000 + host.value(alerter, 2) * 1000 +
           host.value(alerter, 3) * 100;
}

// The first needle down a gauge's chain, looked up afresh: a reload may move the module.
host::Needle& first_needle(Host& host, const char* gauge) {
    for (int n = 0;; ++n) {
        host::ElementHeader* element = host.element(gauge, n);
        if (element->type == host::element_type::needle) {
            return *reinterpret_cast<host::Needle*>(element);
        }
    }
}

// What the host keeps in a needle's record: its goals, angles and save data.
std::vector<uint8_t> host_bytes(const host::Needle& needle) {
    return {std::begin(needle.host_needle), std::end(needle.host_needle)};
}

std::vector<double> row_angles(const host::Needle& needle) {
    std::vector<double> angles;
    for (uint32_t row = 0; row < needle.row_count; ++row) angles.push_back(needle.table[row].angle);
    return angles;
}

TEST_F(HostModel, ReloadPutsAVariableTheClicksChangedBackAtItsLoadValue) {
    host.place(alerter);
    host.place(alerter_knob);
    const double at_load = shown_altitude_ft(host);
    host.click(alerter_knob, alerter_knob_area.x, alerter_knob_area.y,
               host::mouse_event::left_click);
    ASSERT_EQ(shown_altitude_ft(host), at_load + 100) << "a left click on the knob raises 100 ft";

    host.reload();
    EXPECT_TRUE(host.placed().empty()) << "the panel starts empty";
    host.place(alerter);
    host.place(alerter_knob);
    EXPECT_EQ(shown_altitude_ft(host), at_load);
}

TEST_F(HostModel, ReloadClearsWhatTheHostWroteIntoTheRecords) {
    constexpr char vsi[]              = "MERTQ4VSI";
    const std::vector<double> at_load = row_angles(first_needle(host, vsi));
    host.set_token(65, -700.0);
    host.place(vsi);
    host.frame();
    const std::vector<double> filled = row_angles(first_needle(host, vsi));
    ASSERT_NE(filled, at_load) << "placing fills the table's angles";
    ASSERT_NE(host.value(vsi, 1), 0.0);
    const std::vector<uint8_t> kept = host_bytes(first_needle(host, vsi));
    ASSERT_NE(kept, std::vector<uint8_t>(kept.size(), 0)) << "placing fills the host's fields";

    host.reload();
    const host::Needle& reloaded = first_needle(host, vsi);
    EXPECT_EQ(row_angles(reloaded), at_load);
    EXPECT_EQ(host_bytes(reloaded), std::vector<uint8_t>(kept.size(), 0));
    EXPECT_EQ(host.value(vsi, 1), 0.0);
    EXPECT_EQ(host.angle(vsi, 1), 0.0);
    EXPECT_EQ(host.token(65), 0.0) << "token values are forgotten";
    EXPECT_EQ(host.import_table().panels.table != nullptr, true)
        << "the service table is stored again";
    host.place(vsi);
    EXPECT_EQ(row_angles(first_needle(host, vsi)), filled) << "placing again fills them again";
}

TEST_F(HostModel, ReloadReleasesTheSoundLibraryAndForgetsTheRecords) {
    host.place("MERTQ4ComLnk");
    host.place("MERTQ4GPWS");
    host.frame();
    ASSERT_GT(host.module_sound_references(), 0) << "the warning computer binds the library";
    host.hold_sound_library(true);
    host.set_sound_library(hostmodel::SoundLibrary::absent);
    host.set_named("XMLBus", 1.0);
    host.place("MERTQ4GPWS");  // a fault: placed twice
    host.frame();
    ASSERT_FALSE(host.faults().empty());

    host.reload();
    EXPECT_FALSE(host.sound_library_loaded()) << "no reference is left, another module's neither";
    EXPECT_EQ(host.module_sound_references(), 0);
    EXPECT_FALSE(host.named_exists("XMLBus"));
    EXPECT_TRUE(host.sound_calls().empty());
    EXPECT_TRUE(host.faults().empty());
    EXPECT_TRUE(host.take_key_events().empty());
    EXPECT_TRUE(host.take_loader_calls().empty());

    host.place("MERTQ4ComLnk");
    host.place("MERTQ4GPWS");
    EXPECT_GT(host.module_sound_references(), 0) << "the library is present again";
}

TEST_F(HostModel, CloseRemovesEveryGaugeAndTheModuleLetsTheSoundLibraryGo) {
    host.place("MERTQ4ComLnk");
    host.place("MERTQ4GPWS");
    host.frame();
    host.hold_sound_library(true);
    ASSERT_GT(host.module_sound_references(), 0);
    host.take_sound_calls();

    EXPECT_TRUE(host.close(0));
    EXPECT_TRUE(host.placed().empty());
    const std::vector<hostmodel::SoundCall> calls = host.take_sound_calls();
    EXPECT_EQ(calls, std::vector<hostmodel::SoundCall>(calls.size(), hostmodel::terminate()))
        << "the module silences its sounds, and only that";
    EXPECT_FALSE(calls.empty());
    EXPECT_EQ(host.module_sound_references(), 0) << "each gauge told it is killed lets go";
    EXPECT_FALSE(host.sound_library_loaded()) << "and the held reference is dropped";
    EXPECT_TRUE(host.faults().empty());
}

}  // namespace

// The airspeed indicator as the host drives it: the speed reference read at
// install and stepped by clicks into key events, the reference markers and
// their limits, the click areas, where the needles point, and the element and
// mouse records the host reads.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "hostmodel/host_model.h"
#include "resources/bitmap_ids.h"
#include "tests/flight/needle_checks.h"
#include "tests/support/element_records.h"
#include "tests/support/host_test.h"

namespace {

using flight_test::points_at;
using flight_test::points_at_or_between;
using host_test::infinity;
using host_test::nan;

constexpr char gauge[]                   = "MERTQ4ASPD";
constexpr uint32_t speed_reference_event = 0x101F5;

constexpr uint32_t airspeed_token        = 61;   // knots
constexpr uint32_t altitude_token        = 73;   // metres
constexpr uint32_t speed_reference_token = 116;  // knots

// Element numbers down the chain.
constexpr int mach_ring        = 1;
constexpr int command_marker   = 3;
constexpr int airspeed_pointer = 4;

constexpr host::PixelPoint command_down = {185, 200};
constexpr host::PixelPoint command_up   = {214, 200};
constexpr host::PixelPoint kt0_mark     = {118, 25};
constexpr host::PixelPoint kt400_mark   = {102, 29};

struct Marker {
    host::PixelPoint down;
    host::PixelPoint up;
    int needle;
    double low_kt;
    double high_kt;
};
// clang-format off
constexpr Marker markers[] = {
    // down area   up area     needle  low (kt)  high (kt)
    {{139,  35}, {199,  35},  7,      60,       380},  // marker 1
    {{139, 106}, {199, 106},  6,      70,       390},  // marker 2
    {{ 62, 197}, {122, 197},  5,      80,       400},  // marker 3
};
// clang-format on

class Airspeed : public host_test::HostTest {
  protected:
    void prepare() override { host.place(gauge); }

    // The host reports `reference_kt` as its speed reference while installing the gauge.
    void install_with(double reference_kt) {
        host.set_token(speed_reference_token, reference_kt);
        host.service(gauge, host::service::install);
        host.take_key_events();
    }

    int click(host::PixelPoint at, int repeats = 0) {
        return host.click(gauge, at.x, at.y, host::mouse_event::left_click, repeats);
    }

    // The values of the key events sent since the last call; each must set the speed reference.
    std::vector<uint32_t> sent() {
        std::vector<uint32_t> values;
        for (const hostmodel::KeyEvent& event : host.take_key_events()) {
            EXPECT_EQ(event.id, speed_reference_event);
            values.push_back(event.value);
        }
        return values;
    }

    double shown(int needle) {
        host.frame();
        return host.value(gauge, needle);
    }

    void set_marker(const Marker& marker, int kt) {
        click(marker.down, 500);
        if (kt > marker.low_kt) click(marker.up, kt - static_cast<int>(marker.low_kt) - 1);
    }
};

// From load: no marker has been clicked yet.
TEST_F(Airspeed, ReferenceMarkersStartAt100110And120) {
    EXPECT_EQ(shown(markers[0].needle), 100);
    EXPECT_EQ(shown(markers[1].needle), 110);
    EXPECT_EQ(shown(markers[2].needle), 120);
}

TEST_F(Airspeed, SpeedReferenceReadAtInstallIsWhereTheCommandAreasStepFrom) {
    struct Row {
        double reference_kt;
        uint32_t down_sends;
        uint32_t up_sends;
        const char* reason;
    };
    const Row rows[] = {
        {400, 400, 1, "exactly 400 reads as 0: down wraps to the top, up sends 1"},
        {399.9, 398, 400, "just under 400 truncates to 399"},
        {400.1, 399, 400, "just over 400 truncates to 400: up wraps and sends 400"},
        {250.9, 249, 251, "fractions truncate toward zero"},
        {450, 449, 400, "a reference above the scale is kept; up from it wraps"},
        {2, 1, 3, "down from 2 sends 1"},
        {1, 400, 2, "down from 1 wraps to the top"},
        {0, 400, 1, "down from 0 wraps to the top"},
        {-0.5, 400, 1, "a small negative truncates to 0"},
        {-450, 400, 1, "a negative reference reads as 0"},
        {-infinity, 400, 1, "minus infinity reads as 0"},
        {nan, 400, 1, "a reference that is not a number reads as 0"},
        {infinity, 400, 1, "infinity reads as 0"},
        {4294967296.0, 400, 1, "2^32 and beyond do not fit the setting and read as 0"},
        {4294967295.0, 4294967294u, 400, "the largest value that fits is kept"},
    };
    for (const Row& row : rows) {
        install_with(row.reference_kt);
        click(command_down);
        EXPECT_EQ(sent(), std::vector<uint32_t>{row.down_sends}) << row.reason;
        install_with(row.reference_kt);
        click(command_up);
        EXPECT_EQ(sent(), std::vector<uint32_t>{row.up_sends}) << row.reason;
    }
}

TEST_F(Airspeed, CommandAreasWrapThroughTheEndsAndRepeatWhileHeld) {
    install_with(399);
    EXPECT_EQ(click(command_up, 3), 4) << "held down, the click repeats";
    EXPECT_EQ(sent(), (std::vector<uint32_t>{400, 400, 1, 2})) << "400 twice, then from 1";
    install_with(2);
    click(command_down, 2);
    EXPECT_EQ(sent(), (std::vector<uint32_t>{1, 400, 399}));
}

TEST_F(Airspeed, CommandAreasStepTheGaugesOwnCopyWhileTheMarkerShowsTheHosts) {
    install_with(200);
    host.set_token(speed_reference_token, 300);
    EXPECT_EQ(shown(command_marker), 300);
    EXPECT_TRUE(points_at(host, gauge, command_marker, {26, 103})) << "the 300 kt mark";
    click(command_up);
    EXPECT_EQ(sent(), std::vector<uint32_t>{201});
}

TEST_F(Airspeed, OnlyInstallReadsTheSpeedReference) {
    install_with(200);
    host.set_token(speed_reference_token, 300);
    for (int32_t code = 0; code <= 16; ++code) {
        if (code != host::service::install) host.service(gauge, code);
    }
    EXPECT_TRUE(sent().empty()) << "no code sends a key event";
    click(command_up);
    EXPECT_EQ(sent(), std::vector<uint32_t>{201}) << "still stepping from 200";
}

TEST_F(Airspeed, ReferenceMarkersStayWithinTheirLimitsAndTellTheHostNothing) {
    for (const Marker& marker : markers) {
        SCOPED_TRACE(marker.needle);
        click(marker.down, 500);
        EXPECT_EQ(shown(marker.needle), marker.low_kt) << "held down to the lower limit";
        click(marker.down);
        EXPECT_EQ(shown(marker.needle), marker.low_kt) << "one more step stays";
        click(marker.up);
        EXPECT_EQ(shown(marker.needle), marker.low_kt + 1);
        click(marker.up, 500);
        EXPECT_EQ(shown(marker.needle), marker.high_kt) << "held up to the upper limit";
        click(marker.up);
        EXPECT_EQ(shown(marker.needle), marker.high_kt) << "one more step stays";
        click(marker.down);
        EXPECT_EQ(shown(marker.needle), marker.high_kt - 1);
    }
    set_marker(markers[0], 60);
    EXPECT_EQ(shown(markers[0].needle), 60);
    EXPECT_TRUE(points_at(host, gauge, markers[0].needle, {149, 34})) << "the 60 kt mark";
    EXPECT_TRUE(sent().empty());
}

TEST_F(Airspeed, ClickAreasAndTheirCursors) {
    enum Area {
        none,
        command_down_area,
        command_up_area,
        m1_down,
        m1_up,
        m2_down,
        m2_up,
        m3_down,
        m3_up
    };
    struct Row {
        int x;
        int y;
        Area area;
        const char* reason;
    };
    const Row rows[] = {
        {169, 200, none, "just left of the command areas"},
        {170, 178, command_down_area, "top left corner of command down"},
        {199, 200, command_down_area, "the shared column goes to the first area listed"},
        {200, 200, command_up_area, "just right of the shared column"},
        {228, 230, command_up_area, "bottom right corner of command up"},
        {229, 200, none, "just right of command up"},
        {109, 0, m1_down, "top left corner of marker 1 down"},
        {169, 0, m1_up, "marker 1 up starts at x 169"},
        {139, 70, none, "the row between the marker 1 and 2 areas"},
        {139, 71, m2_down, "top edge of marker 2 down"},
        {228, 140, m2_up, "bottom right corner of marker 2 up"},
        {32, 231, m3_down, "bottom left corner of marker 3 down"},
        {92, 162, m3_up, "marker 3 up starts at x 92"},
        {152, 200, none, "between marker 3 up and command down"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reason);
        install_with(200);
        for (const Marker& marker : markers) set_marker(marker, 200);
        EXPECT_EQ(host.click(gauge, row.x, row.y), row.area == none ? 0 : 1);
        const bool command = row.area == command_down_area || row.area == command_up_area;
        EXPECT_EQ(sent().size(), command ? 1u : 0u);
        for (int m = 0; m < 3; ++m) {
            const int step = row.area == m1_down + 2 * m ? -1 : row.area == m1_up + 2 * m ? 1 : 0;
            EXPECT_EQ(shown(markers[m].needle), 200 + step) << "marker " << m + 1;
        }
        const int step = row.area == none ? 0 : row.area % 2 == 1 ? -1 : 1;
        EXPECT_EQ(host.cursor_at(gauge, row.x, row.y), host_test::cursor_for_step(step));
    }
}

TEST_F(Airspeed, SpeedNeedlesPointAtTheirScaleAtOnce) {
    struct Row {
        double reading_kt;
        double shown_kt;
        host::PixelPoint mark;
        host::PixelPoint next_mark;  // equal to mark when the needle sits on it
        const char* reason;
    };
    const Row rows[] = {
        {-infinity, 0, kt0_mark, kt0_mark, "minus infinity holds at 0"},
        {-0.01, 0, kt0_mark, kt0_mark, "just below 0 holds at 0"},
        {0.01, 0.01, kt0_mark, {149, 34}, "just above 0 passes"},
        {30, 30, kt0_mark, {149, 34}, "between 0 and 60"},
        {125, 125, {197, 92}, {200, 110}, "10 kt rows between 120 and 160"},
        {275, 275, {44, 170}, {26, 103}, "50 kt rows above 250"},
        {399.99, 399.99, {57, 48}, kt400_mark, "just below the top passes"},
        {400, 400, kt400_mark, kt400_mark, "the top of the scale"},
        {400.01, 400, kt400_mark, kt400_mark, "just above the top holds at 400"},
        {infinity, 400, kt400_mark, kt400_mark, "infinity holds at 400"},
        {0, 0, kt0_mark, kt0_mark, "back from the top in one update: no turn-rate limit"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reason);
        host.set_token(airspeed_token, row.reading_kt);
        host.set_token(speed_reference_token, row.reading_kt);
        host.frame();
        for (const int needle : {airspeed_pointer, command_marker}) {
            EXPECT_EQ(host.value(gauge, needle), row.shown_kt) << "element " << needle;
            EXPECT_TRUE(points_at_or_between(host, gauge, needle, row.mark, row.next_mark));
        }
    }
}

TEST_F(Airspeed, MachRingTurnsWithAltitude) {
    struct Row {
        double altitude_m;
        double shown_ft;  // NaN: the converted altitude itself
        host::PixelPoint mark;
        host::PixelPoint next_mark;
        const char* reason;
    };
    constexpr host::PixelPoint ft0_mark     = {34, 154};
    constexpr host::PixelPoint ft40000_mark = {172, 50};
    const double metres_40000               = flight_test::exact_metres_for_feet(40000);
    ASSERT_FALSE(std::isnan(metres_40000)) << "a height that converts to exactly 40000 ft";
    ASSERT_LT(std::nextafter(metres_40000, 0.0) * flight_test::feet_per_metre, 40000);
    ASSERT_GT(std::nextafter(metres_40000, infinity) * flight_test::feet_per_metre, 40000);

    const Row rows[] = {
        {-infinity, 0, ft0_mark, ft0_mark, "minus infinity holds at 0 ft"},
        {-5, 0, ft0_mark, ft0_mark, "a negative altitude holds at 0 ft"},
        {-1e-9, 0, ft0_mark, ft0_mark, "just below 0 holds at 0 ft"},
        {0, 0, ft0_mark, ft0_mark, "0 m is 0 ft"},
        {1e-9, nan, ft0_mark, ft0_mark, "just above 0 passes, a hair off the 0 row"},
        {flight_test::metres_for_feet(10000), nan, {74, 195}, {74, 195}, "10000 ft"},
        {3000, nan, {57, 184}, {74, 195}, "3000 m is 9843 ft"},
        {12000, nan, {187, 66}, ft40000_mark, "12000 m is 39370 ft"},
        {std::nextafter(metres_40000, 0.0), nan, ft40000_mark, ft40000_mark,
         "just below 40000 ft passes, a hair off the 40000 row"},
        {metres_40000, 40000, ft40000_mark, ft40000_mark, "exactly 40000 ft"},
        {std::nextafter(metres_40000, infinity), 40000, ft40000_mark, ft40000_mark,
         "just above 40000 ft holds at 40000 ft"},
        {13000, 40000, ft40000_mark, ft40000_mark, "13000 m (42651 ft) holds at 40000 ft"},
        {infinity, 40000, ft40000_mark, ft40000_mark, "infinity holds at 40000 ft"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reason);
        host.set_token(altitude_token, row.altitude_m);
        host.frames(60);  // time to turn round at 7 degrees per update
        EXPECT_EQ(host.value(gauge, mach_ring), std::isnan(row.shown_ft)
                                                    ? row.altitude_m * flight_test::feet_per_metre
                                                    : row.shown_ft);
        EXPECT_TRUE(points_at_or_between(host, gauge, mach_ring, row.mark, row.next_mark));
    }
}

TEST_F(Airspeed, ReadingsThatAreNotANumberPassUnchanged) {
    host.set_token(airspeed_token, nan);
    host.set_token(speed_reference_token, nan);
    host.set_token(altitude_token, nan);
    host.frame();
    for (const int needle : {mach_ring, command_marker, airspeed_pointer}) {
        EXPECT_TRUE(std::isnan(host.value(gauge, needle))) << "element " << needle;
    }
}

TEST_F(Airspeed, MachRingTurnsAtMostSevenDegreesPerUpdate) {
    host.set_token(altitude_token, 0);
    host.frames(60);
    host.set_token(altitude_token, 13000);
    flight_test::expect_turn_at_limit(host, gauge, mach_ring, 7, {172, 50});
}

TEST_F(Airspeed, ElementRecordsAsTheHostReadsThem) {
    using records::ElementRecord;
    using namespace host::element_type;
    constexpr host::PixelPoint centre = {115, 116};
    // clang-format off
    const ElementRecord chain[] = {
        //  role                 type          bitmap                     position  pivot     flags   token  rows  limit  callback
        {"dial background",    static_image, bitmap::aspd_dial,        {0, 0},   {0, 0},   0x4081},
        {"Mach ring",          needle,       bitmap::mach_ring,        centre,   {89, 89}, 0x4083, 73,    17,   7,     true},
        {"dial face",          icon,         bitmap::aspd_face,        {0, 0},   {0, 0},   0x4003},
        {"command marker",     needle,       bitmap::command_marker,   centre,   {0, 13},  0x4083, 116,   15,   0,     true},
        {"airspeed pointer",   needle,       bitmap::airspeed_pointer, centre,   {32, 6},  0x4083, 61,    15,   0,     true},
        {"reference marker 3", needle,       bitmap::speed_marker_1_3, centre,   {0, 4},   0x4083, 0,     15,   0,     true},
        {"reference marker 2", needle,       bitmap::speed_marker_2,   centre,   {0, 4},   0x4083, 0,     15,   0,     true},
        {"reference marker 1", needle,       bitmap::speed_marker_1_3, centre,   {0, 4},   0x4083, 0,     15,   0,     true},
    };
    // clang-format on
    for (int n = 0; n < 8; ++n) records::expect_element(host, gauge, n, chain[n]);
    records::expect_chain(host, gauge, 8);

    const auto* face = reinterpret_cast<const host::Icon*>(host.element(gauge, 2));
    EXPECT_EQ(face->image_count, 1u) << "one image";
    EXPECT_EQ(face->source.id, 0u) << "no source token";
    EXPECT_EQ(face->switch_mode, 0u);
    EXPECT_EQ(face->scale, 0);
    EXPECT_EQ(face->offset, 0);
    EXPECT_EQ(face->callback, nullptr) << "no update callback";

    records::expect_mouse_list(host, gauge, 8, 0x20200000);
}

}  // namespace

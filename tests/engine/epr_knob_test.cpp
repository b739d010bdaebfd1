// The two EPR reference knobs under the host's clicks: one hundredth of EPR
// per step, stops at 0.90 and 2.50, the knob image turning 3 degrees per step
// and wrapping round, and the reference shown by the engine's EPR marker.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "hostmodel/host_model.h"
#include "resources/bitmap_ids.h"
#include "tests/support/element_records.h"
#include "tests/support/host_test.h"

namespace {

constexpr int knob_needle      = 1;
constexpr int reference_marker = 4;  // on the EPR gauge

constexpr int lower_x = 5;   // inside the left half
constexpr int raise_x = 35;  // inside the right half
constexpr int mid_y   = 20;

constexpr int reference_low  = 90;   // hundredths of EPR
constexpr int reference_high = 250;  // hundredths of EPR

struct Knob {
    const char* name;
    const char* epr_gauge;  // the gauge whose marker shows the reference
};
constexpr Knob knobs[] = {
    {.name = "MERTQ4_EPRKNB1", .epr_gauge = "MERTQ4_EPR1"},
    {.name = "MERTQ4_EPRKNB2", .epr_gauge = "MERTQ4_EPR2"},
};

struct Setting {
    double reference;  // hundredths of EPR
    double angle;      // degrees
    bool operator==(const Setting&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Setting& s) {
    return out << "{reference " << s.reference << ", angle " << s.angle << "}";
}

class EprKnob : public host_test::HostTest {
  protected:
    void prepare() override {
        for (const Knob& k : knobs) {
            host.place(k.name);
            host.place(k.epr_gauge);
        }
    }

    // The reference as the EPR gauge's marker shows it and the knob's angle,
    // at the next frame's update.
    Setting setting(const Knob& knob) {
        host.frame();
        return {host.value(knob.epr_gauge, reference_marker), host.value(knob.name, knob_needle)};
    }

    // Clicks `count` times on one half, holding the button for the repeats.
    void step(const Knob& knob, int x, int count) {
        if (count <= 0) return;
        EXPECT_EQ(host.click(knob.name, x, mid_y, host::mouse_event::left_click, count - 1), count);
    }

    // Drives the knob to the low stop, then up to `reference`.
    void drive_to(const Knob& knob, int reference) {
        step(knob, lower_x, reference_high - reference_low + 1);
        step(knob, raise_x, reference - reference_low);
        ASSERT_EQ(setting(knob).reference, reference);
    }
};

// From load: no knob has been clicked yet.
TEST_F(EprKnob, LoadValuesAndTheFirstStepEachWay) {
    for (const Knob& k : knobs) EXPECT_EQ(setting(k), (Setting{205, 69})) << k.name;

    step(knobs[0], lower_x, 1);
    step(knobs[1], raise_x, 1);
    EXPECT_EQ(setting(knobs[0]), (Setting{204, 66})) << "one step down from the load values";
    EXPECT_EQ(setting(knobs[1]), (Setting{206, 72})) << "one step up from the load values";
}

TEST_F(EprKnob, ClicksReachTheHalfThatHoldsThem) {
    struct Row {
        int x;
        int y;
        int change;  // hundredths of EPR
        int32_t cursor;
        const char* reason;
    };
    const Row rows[] = {
        {0, 0, -1, host::cursor::down_arrow, "top left corner of the left half"},
        {19, 40, -1, host::cursor::down_arrow, "bottom right corner of the left half"},
        {20, 20, 0, host::cursor::none, "column 20 between the halves"},
        {21, 0, +1, host::cursor::up_arrow, "top left corner of the right half"},
        {40, 40, +1, host::cursor::up_arrow, "bottom right corner of the right half"},
        {41, 20, 0, host::cursor::none, "right of the knob"},
        {10, 41, 0, host::cursor::none, "below the left half"},
        {30, 41, 0, host::cursor::none, "below the right half"},
        {-1, 20, 0, host::cursor::none, "left of the knob"},
    };
    for (const Knob& k : knobs) {
        drive_to(k, 150);
        for (const Row& row : rows) {
            const Setting before = setting(k);
            host.click(k.name, row.x, row.y);
            const Setting after = setting(k);
            EXPECT_EQ(after.reference - before.reference, row.change)
                << k.name << ": " << row.reason;
            EXPECT_EQ(host.cursor_at(k.name, row.x, row.y), row.cursor)
                << k.name << ": " << row.reason;
        }
    }
}

TEST_F(EprKnob, ReferenceStopsAtTheEndsOfTheDialAndTheKnobStopsWithIt) {
    for (const Knob& k : knobs) {
        SCOPED_TRACE(k.name);
        drive_to(k, reference_high - 1);
        const Setting below_high = setting(k);
        step(k, raise_x, 1);
        const Setting at_high = setting(k);
        EXPECT_EQ(at_high.reference, reference_high) << "249 steps up to 250";
        EXPECT_EQ(at_high.angle, below_high.angle + 3);
        step(k, raise_x, 5);
        EXPECT_EQ(setting(k), at_high) << "at 250 a raising click changes nothing";

        drive_to(k, reference_low + 1);
        const Setting above_low = setting(k);
        step(k, lower_x, 1);
        const Setting at_low = setting(k);
        EXPECT_EQ(at_low.reference, reference_low) << "91 steps down to 90";
        EXPECT_EQ(at_low.angle, above_low.angle - 3);
        step(k, lower_x, 5);
        EXPECT_EQ(setting(k), at_low) << "at 90 a lowering click changes nothing";
    }
}

TEST_F(EprKnob, KnobAngleWrapsRoundBothWays) {
    // From the load values the angle is 69 + 3 x (reference - 205) round the
    // circle, so a reference of 182 stands the knob at 0.
    for (const Knob& k : knobs) {
        SCOPED_TRACE(k.name);
        drive_to(k, 182);
        EXPECT_EQ(setting(k).angle, 0);
        step(k, lower_x, 1);
        EXPECT_EQ(setting(k), (Setting{181, 357})) << "0 becomes 357 on a lowering step";
        step(k, raise_x, 1);
        EXPECT_EQ(setting(k), (Setting{182, 0})) << "357 becomes 0 on a raising step";
        step(k, raise_x, 1);
        EXPECT_EQ(setting(k), (Setting{183, 3}));
    }
}

TEST_F(EprKnob, HoldingTheButtonSweepsTheWholeRange) {
    const Knob& k = knobs[0];
    drive_to(k, reference_low);
    Setting previous = setting(k);
    for (int reference = reference_low + 1; reference <= reference_high; ++reference) {
        step(k, raise_x, 1);
        const Setting now = setting(k);
        ASSERT_EQ(now.reference, reference);
        ASSERT_EQ(static_cast<int>(now.angle) % 3, 0) << now;
        ASSERT_EQ((static_cast<int>(now.angle) - static_cast<int>(previous.angle) + 360) % 360, 3)
            << previous << " to " << now;
        EXPECT_DOUBLE_EQ(host.angle(k.name, knob_needle), now.angle)
            << "the knob turns by its value";
        previous = now;
    }

    drive_to(k, 200);
    step(k, lower_x, 60);  // one press held for 59 repeats
    EXPECT_EQ(setting(k).reference, 140);
}

TEST_F(EprKnob, EachKnobSetsOnlyItsOwnEngine) {
    drive_to(knobs[0], 120);
    drive_to(knobs[1], 230);
    step(knobs[0], raise_x, 3);
    EXPECT_EQ(setting(knobs[0]).reference, 123);
    EXPECT_EQ(setting(knobs[1]).reference, 230);
    step(knobs[1], lower_x, 4);
    EXPECT_EQ(setting(knobs[0]).reference, 123);
    EXPECT_EQ(setting(knobs[1]).reference, 226);
}

TEST_F(EprKnob, ElementsAndClickAreasAsTheHostReadsThem) {
    constexpr uint32_t stepping = 0x20200000;  // left click, repeated while held
    using namespace host::mouse_record;
    using namespace host::cursor;
    // clang-format off
    const std::vector<records::MouseRecord> areas = {
        //  type         origin    size      cursor      events    callback
        {parent,       {0, 0},   {0, 0},   none,       0,        false},
        {child,        {0, 0},   {20, 41}, down_arrow, stepping, true},   // the left half lowers
        {child,        {21, 0},  {20, 41}, up_arrow,   stepping, true},   // the right half raises
        {parent_end,   {0, 0},   {0, 0},   none,       0,        false},
        {end_of_list,  {0, 0},   {0, 0},   none,       0,        false},
    };
    // clang-format on
    for (const Knob& k : knobs) {
        records::expect_chain(host, k.name, 2);
        records::expect_element(host, k.name, 0,
                                {.role        = "knob base: transparent, erased, filtered",
                                 .type        = host::element_type::static_image,
                                 .bitmap_id   = bitmap::epr_knob_base,
                                 .position    = {0, 0},
                                 .pivot       = {0, 0},
                                 .image_flags = 0x83});
        records::expect_element(host, k.name, knob_needle,
                                {.role        = "knob: turned by its value, lit",
                                 .type        = host::element_type::needle,
                                 .bitmap_id   = bitmap::epr_knob,
                                 .position    = {21, 21},
                                 .pivot       = {21, 21},
                                 .image_flags = 0x4083,
                                 .source      = 0,
                                 .table_rows  = 0});

        records::expect_mouse_records(host, k.name, areas);
    }
}

TEST_F(EprKnob, GaugeCallbackDoesNothingForAnyCode) {
    for (const Knob& k : knobs) drive_to(k, 150);
    const Setting before[] = {setting(knobs[0]), setting(knobs[1])};
    host.clear_element_operations();
    for (const Knob& k : knobs) {
        for (int32_t code : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, -1}) {
            host.service(k.name, code);
        }
    }
    EXPECT_TRUE(host.element_operations().empty());
    for (std::size_t i = 0; i < std::size(knobs); ++i) {
        EXPECT_EQ(setting(knobs[i]), before[i]) << knobs[i].name;
    }
}

TEST_F(EprKnob, MarkerFollowsTheKnobAtTheNextDrawWhateverTheReading) {
    host.set_token(625, 100);
    host.set_token(128, 0);
    host.frames(2);
    const double reading = host.value("MERTQ4_EPR1", 5);
    drive_to(knobs[0], 200);
    const double marker_at_200 = host.angle("MERTQ4_EPR1", reference_marker);
    EXPECT_NEAR(marker_at_200, host.angle_towards("MERTQ4_EPR1", reference_marker, {2, 75}), 1e-6);
    step(knobs[0], raise_x, 10);
    host.frame();
    EXPECT_NEAR(host.angle("MERTQ4_EPR1", reference_marker),
                host.angle_towards("MERTQ4_EPR1", reference_marker, {9, 48}), 1e-6);
    EXPECT_EQ(host.value("MERTQ4_EPR1", 5), reading) << "the pointer does not move with the marker";
}

}  // namespace

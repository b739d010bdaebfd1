// The sign switches through the host: clicks on the two areas, the levers
// shown, and the chime when a sign goes on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/element_records.h"
#include "tests/support/host_test.h"
#include "tests/warning/expected_sounds.h"
#include "tests/warning/warning_gauges.h"

namespace {

using expected::once;
using warning_test::signs;
using warning_test::SoundCall;

constexpr int left  = 1;  // elements down the chain
constexpr int right = 2;

class SignSwitches : public host_test::HostTest {
  protected:
    // Both switches as loaded: off, levers up.
    void prepare() override {
        host.place(signs);
        host.frame();
        ASSERT_EQ(host.icon_image(signs, left), 0);
        ASSERT_EQ(host.icon_image(signs, right), 0);
        host.take_sound_calls();
    }

    std::vector<int> levers() {
        host.frame();
        return {host.icon_image(signs, left), host.icon_image(signs, right)};
    }
};

TEST_F(SignSwitches, ClicksFlipTheSwitchAndChimeOnlyWhenSwitchingOn) {
    const std::vector<SoundCall> chime = {once(expected::signs)};
    EXPECT_EQ(levers(), (std::vector<int>{0, 0}));
    host.click(signs, 10, 20);
    EXPECT_EQ(host.take_sound_calls(), chime) << "on";
    EXPECT_EQ(levers(), (std::vector<int>{1, 0}));
    host.click(signs, 10, 20);
    EXPECT_EQ(host.take_sound_calls(), std::vector<SoundCall>{}) << "off is silent";
    EXPECT_EQ(levers(), (std::vector<int>{0, 0}));
    host.click(signs, 10, 20);
    EXPECT_EQ(host.take_sound_calls(), chime) << "on again";
    EXPECT_EQ(levers(), (std::vector<int>{1, 0}));
}

TEST_F(SignSwitches, EachAreaFlipsOnlyItsOwnSwitch) {
    struct Row {
        const char* reason;
        int x, y;
        std::vector<int> levers_after;
    };
    // clang-format off
    const std::vector<Row> rows = {
        {"left area, top left corner",        0,  0,  {1, 0}},
        {"left area, bottom right corner",    31, 50, {0, 0}},
        {"strip between the areas, left end", 32, 10, {0, 0}},
        {"strip between the areas, right end", 63, 10, {0, 0}},
        {"right area, top left corner",       64, 0,  {0, 1}},
        {"right area, bottom right corner",   95, 50, {0, 0}},
        {"below both areas",                  10, 51, {0, 0}},
    };
    // clang-format on
    for (const Row& row : rows) {
        host.click(signs, row.x, row.y);
        EXPECT_EQ(levers(), row.levers_after) << row.reason;
        host.take_sound_calls();
    }
}

TEST_F(SignSwitches, CursorIsAHandOverTheSwitchesOnly) {
    EXPECT_EQ(host.cursor_at(signs, 16, 25), 5);
    EXPECT_EQ(host.cursor_at(signs, 80, 25), 5);
    EXPECT_EQ(host.cursor_at(signs, 48, 25), -1);
}

TEST_F(SignSwitches, HoldingTheButtonFlipsOnce) {
    EXPECT_EQ(host.click(signs, 10, 10, host::mouse_event::left_click, 5), 1);
    EXPECT_EQ(host.take_sound_calls(), std::vector<SoundCall>{once(expected::signs)});
    EXPECT_EQ(levers(), (std::vector<int>{1, 0}));
}

TEST_F(SignSwitches, BothOnInQuickSuccessionChimeTwice) {
    host.click(signs, 10, 10);
    host.click(signs, 80, 10);
    EXPECT_EQ(host.take_sound_calls(),
              (std::vector<SoundCall>{once(expected::signs), once(expected::signs)}));
    EXPECT_EQ(levers(), (std::vector<int>{1, 1}));
}

TEST_F(SignSwitches, LeversShowTheirOwnImages) {
    host.click(signs, 80, 10);
    host.frame();
    const auto& drawn = host.drawn(signs);
    ASSERT_EQ(drawn.size(), 3u);
    EXPECT_EQ(drawn[0].bitmap_id, 0x1000);
    EXPECT_EQ(drawn[1].bitmap_id, 0x1110) << "left lever up";
    EXPECT_EQ(drawn[2].bitmap_id, 0x1111) << "right lever down";
    EXPECT_EQ(drawn[2].width, 20);
    EXPECT_EQ(drawn[2].height, 48);
}

TEST_F(SignSwitches, PositionsSurviveRemovalAndReplacement) {
    host.click(signs, 10, 10);
    host.remove(signs);
    host.place(signs);
    EXPECT_EQ(levers(), (std::vector<int>{1, 0}));
}

// The records as the host reads them: the black panel, two lever icons of two
// images with switch mode 3 and no source, and a mouse list of two hand areas
// that take a left click only, closed by a record whose cursor is -1.
TEST_F(SignSwitches, RecordsAreAsTheHostReadsThem) {
    records::expect_gauge_header(host, signs);

    records::expect_element(host, signs, 0,
                            {.role        = "black panel",
                             .type        = host::element_type::static_image,
                             .bitmap_id   = 0x1000,
                             .position    = {0, 0},
                             .pivot       = {0, 0},
                             .image_flags = 0x83});
    const host::PixelPoint lever_positions[] = {{1, 3}, {76, 3}};
    for (int n : {left, right}) {
        records::expect_element(host, signs, n,
                                {.role        = "switch lever",
                                 .type        = host::element_type::icon,
                                 .bitmap_id   = 0x1110,
                                 .position    = lever_positions[n - 1],
                                 .pivot       = {0, 0},
                                 .image_flags = 0x83});
        const auto& icon = records::as<host::Icon>(host.element(signs, n));
        EXPECT_EQ(icon.source.id, 0u);
        EXPECT_EQ(icon.image_count, 2u);
        EXPECT_EQ(icon.switch_mode, 3u);
        EXPECT_EQ(icon.scale, 0.0);
        EXPECT_EQ(icon.offset, 0.0);
        EXPECT_NE(icon.callback, nullptr);
    }
    records::expect_chain(host, signs, 3);

    // clang-format off
    records::expect_mouse_records(host, signs, {
        {.type = 1, .origin = {0, 0},  .size = {0, 0},   .cursor = -1, .events = 0,          .has_callback = false},
        {.type = 2, .origin = {0, 0},  .size = {32, 51}, .cursor = 5,  .events = 0x20000000, .has_callback = true},
        {.type = 2, .origin = {64, 0}, .size = {32, 51}, .cursor = 5,  .events = 0x20000000, .has_callback = true},
        {.type = 3, .origin = {0, 0},  .size = {0, 0},   .cursor = -1, .events = 0,          .has_callback = false},
        {.type = 0, .origin = {0, 0},  .size = {0, 0},   .cursor = -1, .events = 0,          .has_callback = false},
    });
    // clang-format on
    const host::MouseRect* areas = host.gauge(signs)->mouse_rects;
    EXPECT_NE(host_test::field(areas[1].callback), host_test::field(areas[2].callback))
        << "each area flips its own switch";
}

}  // namespace

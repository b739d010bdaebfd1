// The frame's own routines and values at load, from inside the module.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "module/convert.h"
#include "module/element_flags.h"
#include "module/needle_values.h"
#include "module/shared_variables.h"
#include "tests/support/host_test.h"

namespace {

constexpr uint32_t hidden = host::image_flag::hidden;

// A chain of six elements: root and five below it, as the flags routines see it.
struct Chain {
    host::ElementHeader elements[6]{};
    host::ElementHeader* links[6][2]{};
    Chain() {
        for (int i = 0; i < 5; ++i) {
            links[i][0]             = &elements[i + 1];
            elements[i].next        = links[i];
            elements[i].image_flags = 0x83;
        }
        elements[5].image_flags = 0x83;
    }
};

TEST(ElementFlags, WalkDownTheChainToTheNthElement) {
    for (int n = 0; n <= 5; ++n) {
        Chain chain;
        module::set_nth_element_flags(&chain.elements[0], n, hidden);
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ((chain.elements[i].image_flags & hidden) != 0, i == n)
                << "n " << n << " element " << i;
            EXPECT_EQ(chain.elements[i].image_flags & 0x83u, 0x83u) << "other bits are kept";
        }
    }
}

TEST(ElementFlags, AChainThatEndsEarlyIsLeftAlone) {
    Chain chain;
    module::set_nth_element_flags(&chain.elements[0], 6, hidden);
    for (const host::ElementHeader& element : chain.elements) EXPECT_EQ(element.image_flags, 0x83u);
    module::clear_nth_element_flags(&chain.elements[0], 7, 0x83);
    for (const host::ElementHeader& element : chain.elements) EXPECT_EQ(element.image_flags, 0x83u);
}

TEST(ElementFlags, SettingTwiceAndClearingOnceShowsTheElement) {
    Chain chain;
    module::set_nth_element_flags(&chain.elements[0], 4, hidden);
    module::set_nth_element_flags(&chain.elements[0], 4, hidden);
    EXPECT_EQ(chain.elements[4].image_flags, 0x83u | hidden);
    module::clear_nth_element_flags(&chain.elements[0], 4, hidden);
    EXPECT_EQ(chain.elements[4].image_flags, 0x83u);
}

// Read right after a fresh load of the module.
using SharedVariables = host_test::HostTest;

TEST_F(SharedVariables, HoldTheirValuesAtLoad) {
    EXPECT_EQ(shared::alt_alert_tone_on, 0);
    EXPECT_EQ(shared::overspeed_test_on, 0);
    EXPECT_EQ(shared::stall_test_on, 0);
    EXPECT_EQ(shared::fire_test_on, 0);
    EXPECT_EQ(shared::altclk_value, 0);
    EXPECT_EQ(shared::minimums_flag, 0);
    EXPECT_EQ(shared::selected_altitude, 0u);
    EXPECT_EQ(shared::epr1_reference, 205u) << "EPR 2.05";
    EXPECT_EQ(shared::epr2_reference, 205u);
    EXPECT_EQ(shared::altitude_ft.id, 74u);
    EXPECT_EQ(shared::radio_height_m.id, 614u);
    EXPECT_EQ(shared::engine1_n2_pct.id, 625u);
    EXPECT_EQ(shared::engine2_n2_pct.id, 644u);
    EXPECT_EQ(shared::radio_height_m.value, 0.0);
}

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

TEST(Convert, TruncatesTowardZeroAndSaturates) {
    struct Row {
        double value;
        int32_t as_int32;
        uint32_t as_uint32;
        int16_t as_int16;
        const char* reason;
    };
    const Row rows[] = {
        {2.9, 2, 2, 2, "truncates toward zero"},
        {-0.5, 0, 0, 0, "toward zero from below"},
        {-2.9, -2, 0, -2, "negative; unsigned saturates at 0"},
        {2147483647.9, 2147483647, 2147483647u, 32767, "top of int32"},
        {2147483648.0, 2147483647, 2147483648u, 32767, "just past int32"},
        {-2147483649.0, -2147483647 - 1, 0, -32768, "just below int32"},
        {4294967296.0, 2147483647, 4294967295u, 32767, "just past uint32"},
        {1e30, 2147483647, 4294967295u, 32767, "far out of range"},
        {inf, 2147483647, 4294967295u, 32767, "infinity"},
        {-inf, -2147483647 - 1, 0, -32768, "minus infinity"},
        {nan, 0, 0, 0, "not a number"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(module::truncate_to<int32_t>(row.value), row.as_int32) << row.reason;
        EXPECT_EQ(module::truncate_to<uint32_t>(row.value), row.as_uint32) << row.reason;
        EXPECT_EQ(module::truncate_to<int16_t>(row.value), row.as_int16) << row.reason;
    }
}

TEST(Convert, Low32OfTruncKeepsTheLowBitsOfA64BitInteger) {
    EXPECT_EQ(module::low32_of_trunc(250.9), 250u);
    EXPECT_EQ(module::low32_of_trunc(4294967296.0 + 5.5), 5u) << "wraps like a 64-bit integer";
    EXPECT_EQ(module::low32_of_trunc(-1.0), 0xFFFFFFFFu) << "two's complement low bits";
    EXPECT_EQ(module::low32_of_trunc(nan), 0u);
    EXPECT_EQ(module::low32_of_trunc(inf), 0xFFFFFFFFu) << "saturates at the 64-bit top";
}

TEST(NeedleValues, ClampTestsTheTopFirstAndPassesNaN) {
    EXPECT_EQ(module::clamp_reading(450, 0, 400), 400);
    EXPECT_EQ(module::clamp_reading(-3, 0, 110), 0);
    EXPECT_EQ(module::clamp_reading(87.5, 0, 110), 87.5);
    EXPECT_EQ(module::clamp_reading(400, 0, 400), 400) << "the bound itself is kept";
    EXPECT_TRUE(std::isnan(module::clamp_reading(nan, 0, 400)));
}

}  // namespace

// The two EPR indicators as the host shows them: the reading worked out from
// N2 and the correction value, the pointer on its dial, the reference marker,
// and the three-drum counter.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "hostmodel/host_model.h"
#include "resources/bitmap_ids.h"
#include "tests/support/element_records.h"
#include "tests/support/host_test.h"

namespace {

using host_test::infinity;
using host_test::nan;

constexpr int hundredths_drum  = 1;
constexpr int tenths_drum      = 2;
constexpr int ones_drum        = 3;
constexpr int reference_marker = 4;
constexpr int pointer          = 5;

constexpr double tolerance       = 1e-9;  // hundredths of EPR, or drum digits
constexpr double angle_tolerance = 1e-6;  // degrees

// A correction value at or above the highest threshold takes nothing off.
constexpr double no_correction = 6000;

struct Epr {
    const char* name;
    uint32_t n2_token;          // percent
    uint32_t correction_token;  // full scale 16383
};
constexpr Epr eprs[] = {
    {.name = "MERTQ4_EPR1", .n2_token = 625, .correction_token = 128},
    {.name = "MERTQ4_EPR2", .n2_token = 644, .correction_token = 163},
};

struct Counter {
    double ones;
    double tenths;
    double hundredths;
};

class EprIndicator : public host_test::HostTest {
  protected:
    void prepare() override {
        for (const Epr& e : eprs) host.place(e.name);
    }

    // Both gauges read the same engine values. The reading is worked out
    // before the draw and shown at the next update: two frames.
    void show(double n2, double correction) {
        for (const Epr& e : eprs) {
            host.set_token(e.n2_token, n2);
            host.set_token(e.correction_token, correction);
        }
        host.frames(2);
    }

    Counter counter(const char* gauge) const {
        return {host.value(gauge, ones_drum), host.value(gauge, tenths_drum),
                host.value(gauge, hundredths_drum)};
    }

    void expect_counter(const char* gauge, const Counter& expected) const {
        const Counter shown = counter(gauge);
        EXPECT_NEAR(shown.ones, expected.ones, 1e-6);
        EXPECT_NEAR(shown.tenths, expected.tenths, 1e-6);
        EXPECT_NEAR(shown.hundredths, expected.hundredths, 1e-6);
    }

    // The digit a drum's window shows: its strip reads 0, 9, 8, ..., 1, 0 from
    // the top in ten steps, so the strip's travel from the bottom is the digit.
    double digit_in_window(const char* gauge, int drum) const {
        return 10 * (1 - host.moving_fraction(gauge, drum));
    }
};

// From load, nothing has been drawn yet. The first frame's update shows the
// values at load; its draw works out the reading.
TEST_F(EprIndicator, BeforeTheFirstDrawTheCounterReadsZeroAndThePointerRestsOnTheFirstMark) {
    for (const Epr& e : eprs) {
        host.set_token(e.n2_token, 100);
        host.set_token(e.correction_token, 0);
    }
    host.frame();
    for (const Epr& e : eprs) {
        SCOPED_TRACE(e.name);
        EXPECT_EQ(host.value(e.name, pointer), 0);
        EXPECT_EQ(host.value(e.name, ones_drum), 0);
        EXPECT_EQ(host.value(e.name, tenths_drum), 0);
        EXPECT_EQ(host.value(e.name, hundredths_drum), 0);
        EXPECT_NEAR(host.angle(e.name, pointer), host.angle_towards(e.name, pointer, {159, 50}),
                    angle_tolerance);
        EXPECT_EQ(host.value(e.name, reference_marker), 205);
    }
    host.frame();
    for (const Epr& e : eprs) EXPECT_NEAR(host.value(e.name, pointer), 198, tolerance) << e.name;
}

TEST_F(EprIndicator, WorkedReadingsAndCounters) {
    struct Row {
        double n2;
        double correction;
        double reading;
        Counter drums;
        const char* reason;
    };
    const Row rows[] = {
        {100, 0, 198, {1, 9, 8}, "2 x (107 - 8): the counter reads 1.98"},
        {100, 162, 198, {1, 9, 8}, "below every threshold"},
        {45, 0, 80.3, {0, 8, 0.3}, "N2 exactly 45: the rule applies, counter 0.80"},
        {44.999, 0, 95, {0, 9, 5}, "just below 45: 0.95"},
        {44.999, no_correction, 95, {0, 9, 5}, "below 45 the correction does not count"},
        {0, 0, 95, {0, 9, 5}, "engine at rest"},
        {-5, 0, 95, {0, 9, 5}, "a negative N2 is below 45"},
        {100, 5078, 214, {2, 1, 4}, "at the highest threshold: 2.14 x N2"},
        {100, no_correction, 214, {2, 1, 4}, "above every threshold"},
        {199.5 / 2.14, no_correction, 199.5, {1.5, 9.5, 9.5}, "halfway between 1.99 and 2.00"},
        {63.551401869158873, 0, 120, {1, 2, 0}, "exactly 1.20: the tenths drum on 2, not 1"},
    };
    for (const Row& row : rows) {
        show(row.n2, row.correction);
        for (const Epr& e : eprs) {
            SCOPED_TRACE(std::string(e.name) + ": " + row.reason);
            EXPECT_NEAR(host.value(e.name, pointer), row.reading, tolerance);
            expect_counter(e.name, row.drums);
        }
    }
}

// At N2 100 the reading is 214 less one hundredth for each threshold above
// the correction value: a threshold stops counting once the value reaches it.
TEST_F(EprIndicator, EachCorrectionThresholdCountsOnlyAboveTheValue) {
    struct Row {
        double threshold;
        double reading_below;  // at the threshold less 0.001
        double reading_from;   // at the threshold and 0.001 above it
        const char* reason;
    };
    const Row rows[] = {
        {163, 198, 199, "the first threshold"},
        {491, 199, 200, "the second"},
        {819, 200, 201, "the third"},
        {1146, 201, 202, "the fourth"},
        {1474, 202, 203, "the fifth"},
        {1802, 203, 204, "the sixth"},
        {2129, 204, 205, "the seventh"},
        {2457, 205, 206, "the eighth"},
        {2785, 206, 207, "the ninth"},
        {3112, 207, 209, "the tenth and eleventh, equal: both stop counting at once"},
        {3440, 209, 210, "the twelfth"},
        {4095, 210, 211, "the thirteenth"},
        {4423, 211, 212, "the fourteenth"},
        {4751, 212, 213, "the fifteenth"},
        {5078, 213, 214, "the last: from here none counts"},
    };
    constexpr double step = 0.001;
    for (const Row& row : rows) {
        const double values[]   = {row.threshold - step, row.threshold, row.threshold + step};
        const double readings[] = {row.reading_below, row.reading_from, row.reading_from};
        for (int i = 0; i < 3; ++i) {
            show(100, values[i]);
            for (const Epr& e : eprs) {
                EXPECT_NEAR(host.value(e.name, pointer), readings[i], tolerance)
                    << e.name << " at " << values[i] << ": " << row.reason;
            }
        }
    }

    struct Beyond {
        double correction;
        double reading;
        const char* reason;
    };
    const Beyond beyond[] = {
        {-infinity, 198, "every threshold counts"},
        {3768, 210, "nothing between 3440 and 4095"},
        {16383, 214, "full scale"},
        {infinity, 214, "infinity"},
        {nan, 214, "a comparison with not a number counts nothing"},
    };
    for (const Beyond& row : beyond) {
        show(100, row.correction);
        for (const Epr& e : eprs) {
            EXPECT_NEAR(host.value(e.name, pointer), row.reading, tolerance)
                << e.name << ": " << row.reason;
        }
    }
}

TEST_F(EprIndicator, CounterHoldsAtNineNineNineFrom999) {
    struct Row {
        double n2;
        Counter drums;
        const char* reason;
    };
    // With no correction the reading is 2.14 x N2.
    const Row rows[] = {
        {998.5 / 2.14, {9, 9, 8.5}, "998.5: the hundredths drum still turns"},
        {998.99 / 2.14, {9, 9, 8.99}, "just below 999: the hundredths drum still turns"},
        {1000 / 2.14, {9, 9, 9}, "above 999"},
        {1e6, {9, 9, 9}, "far above"},
        {1e308, {9, 9, 9}, "a reading that overflows to infinity"},
        {infinity, {9, 9, 9}, "infinite N2"},
    };
    for (const Row& row : rows) {
        show(row.n2, no_correction);
        for (const Epr& e : eprs) {
            SCOPED_TRACE(std::string(e.name) + ": " + row.reason);
            expect_counter(e.name, row.drums);
        }
    }
}

TEST_F(EprIndicator, EveryDrumWindowShowsItsDigit) {
    show(100, 0);  // 1.98
    EXPECT_NEAR(digit_in_window("MERTQ4_EPR1", ones_drum), 1, tolerance);
    EXPECT_NEAR(digit_in_window("MERTQ4_EPR1", tenths_drum), 9, tolerance);
    EXPECT_NEAR(digit_in_window("MERTQ4_EPR1", hundredths_drum), 8, tolerance);

    show(infinity, 0);  // held at 9.99: no window rolls round to 0
    for (int drum : {ones_drum, tenths_drum, hundredths_drum}) {
        EXPECT_NEAR(digit_in_window("MERTQ4_EPR1", drum), 9, tolerance) << "drum " << drum;
    }
}

TEST_F(EprIndicator, InvalidEngineValuesKeepEveryDrumOnItsStrip) {
    const double values[] = {nan, infinity, -infinity, 1e308, -1e308, 4294967296.0, -0.0, 1e-300};
    for (double n2 : values) {
        for (double correction : values) {
            show(n2, correction);
            for (const Epr& e : eprs) {
                for (int drum : {ones_drum, tenths_drum, hundredths_drum}) {
                    const double fraction = host.moving_fraction(e.name, drum);
                    EXPECT_TRUE(fraction >= 0 && fraction <= 1)
                        << e.name << " drum " << drum << " at N2 " << n2 << ", correction "
                        << correction << ": " << fraction;
                }
                EXPECT_FALSE(std::isnan(host.value(e.name, pointer)))
                    << e.name << " at N2 " << n2 << ", correction " << correction;
            }
        }
    }
    show(nan, 0);
    EXPECT_EQ(host.value("MERTQ4_EPR1", pointer), 95) << "an N2 that is no number shows idle";
}

TEST_F(EprIndicator, CounterRollsLikeAnOdometerThroughASpoolUp) {
    // From idle to take-off power and beyond, in steps of a hundredth of a
    // percent N2: the whole digits and the hundredths drum add up to the
    // reading, and a drum only rolls on while the one to its right passes 9.
    for (int step = 4500; step <= 12000; ++step) {
        const double n2 = step / 100.0;
        show(n2, no_correction);
        const double reading = host.value("MERTQ4_EPR2", pointer);
        const Counter c      = counter("MERTQ4_EPR2");
        ASSERT_NEAR(std::floor(c.ones) * 100 + std::floor(c.tenths) * 10 + c.hundredths, reading,
                    2e-6)
            << n2;
        ASSERT_NEAR(c.tenths - std::floor(c.tenths), c.hundredths > 9 ? c.hundredths - 9 : 0, 1e-9)
            << n2;
        ASSERT_NEAR(c.ones - std::floor(c.ones), c.tenths > 9 ? c.tenths - 9 : 0, 1e-9) << n2;
    }
}

TEST_F(EprIndicator, PointerPointsAtItsMarksAndHoldsAtTheEndsOfTheDial) {
    struct Row {
        double n2;
        double correction;
        host::PixelPoint mark;
        const char* reason;
    };
    // With no correction the reading is 2.14 x N2.
    const Row rows[] = {
        {45, 0, {159, 50}, "80.3 holds on the 0.90 mark"},
        {53 / 1.07, 0, {159, 50}, "0.90, the first mark"},
        {100 / 2.14, no_correction, {167, 76}, "1.00 at the right"},
        {200 / 2.14, no_correction, {2, 75}, "2.00"},
        {250 / 2.14, no_correction, {99, 2}, "2.50, the last mark"},
        {120, no_correction, {99, 2}, "2.57 holds on the last mark"},
        {infinity, no_correction, {99, 2}, "infinite N2 holds on the last mark"},
    };
    for (const Row& row : rows) {
        show(row.n2, row.correction);
        for (const Epr& e : eprs) {
            EXPECT_NEAR(host.angle(e.name, pointer), host.angle_towards(e.name, pointer, row.mark),
                        angle_tolerance)
                << e.name << ": " << row.reason;
        }
    }

    show(30, 0);  // 0.95 below 45 percent N2 stands between the 0.90 and 1.00 marks
    for (const Epr& e : eprs) {
        EXPECT_GT(host.angle(e.name, pointer), host.angle_towards(e.name, pointer, {159, 50}));
        EXPECT_LT(host.angle(e.name, pointer), host.angle_towards(e.name, pointer, {167, 76}));
    }
}

TEST_F(EprIndicator, EachGaugeReadsItsOwnEngine) {
    host.set_token(625, 100);
    host.set_token(128, 0);
    host.set_token(644, 100);
    host.set_token(163, no_correction);
    host.frames(2);
    EXPECT_NEAR(host.value("MERTQ4_EPR1", pointer), 198, tolerance);
    EXPECT_NEAR(host.value("MERTQ4_EPR2", pointer), 214, tolerance);

    host.set_token(625, 30);
    host.frames(2);
    EXPECT_NEAR(host.value("MERTQ4_EPR1", pointer), 95, tolerance);
    EXPECT_NEAR(host.value("MERTQ4_EPR2", pointer), 214, tolerance);
}

TEST_F(EprIndicator, ElementsAsTheHostReadsThem) {
    constexpr uint32_t instrument = 0x4083;  // transparent, erased, filtered, lit
    // Every drum spans its eleven-cell strip from 10 (the top 0) to 0 (the
    // bottom 0), the ones drum included, so that each digit sits on its cell.
    const records::ElementRecord drums[] = {
        {.role         = "hundredths drum",
         .type         = host::element_type::moving_image,
         .bitmap_id    = bitmap::epr_hundredths_strip,
         .position     = {94, 110},
         .pivot        = {0, 0},
         .image_flags  = instrument,
         .top_value    = 10,
         .bottom_value = 0},
        {.role         = "tenths drum",
         .type         = host::element_type::moving_image,
         .bitmap_id    = bitmap::epr_tenths_strip,
         .position     = {79, 110},
         .pivot        = {0, 0},
         .image_flags  = instrument,
         .top_value    = 10,
         .bottom_value = 0},
        {.role         = "ones drum",
         .type         = host::element_type::moving_image,
         .bitmap_id    = bitmap::epr_ones_strip,
         .position     = {61, 110},
         .pivot        = {0, 0},
         .image_flags  = instrument,
         .top_value    = 10,
         .bottom_value = 0},
    };
    for (const Epr& e : eprs) {
        records::expect_chain(host, e.name, 6);
        records::expect_element(host, e.name, 0,
                                {.role        = "dial face",
                                 .type        = host::element_type::static_image,
                                 .bitmap_id   = bitmap::epr_dial,
                                 .position    = {0, 0},
                                 .pivot       = {0, 0},
                                 .image_flags = instrument});
        for (int drum = hundredths_drum; drum <= ones_drum; ++drum) {
            records::expect_element(host, e.name, drum, drums[drum - hundredths_drum]);
        }
        records::expect_element(host, e.name, reference_marker,
                                {.role        = "reference marker, driven by its callback only",
                                 .type        = host::element_type::needle,
                                 .bitmap_id   = bitmap::epr_reference_marker,
                                 .position    = {84, 83},
                                 .pivot       = {0, 5},
                                 .image_flags = instrument,
                                 .source      = 0,
                                 .table_rows  = 17});
        records::expect_element(host, e.name, pointer,
                                {.role        = "pointer, driven by its callback only",
                                 .type        = host::element_type::needle,
                                 .bitmap_id   = bitmap::epr_pointer,
                                 .position    = {84, 83},
                                 .pivot       = {29, 5},
                                 .image_flags = instrument,
                                 .source      = 0,
                                 .table_rows  = 17});
    }
}

TEST_F(EprIndicator, EachDrumLooksThroughTheWindowAfterItsStrip) {
    struct Window {
        int drum;
        int width;  // pixels; every window is 23 high, 8 bits per pixel
        const char* reason;
    };
    const Window windows[] = {
        {hundredths_drum, 15, "hundredths"},
        {tenths_drum, 15, "tenths"},
        {ones_drum, 18, "ones, with the decimal point"},
    };
    for (const Epr& e : eprs) {
        for (const Window& w : windows) {
            SCOPED_TRACE(std::string(e.name) + ": " + w.reason);
            const int32_t window = host.element(e.name, w.drum)->bitmap_id + 1;
            int width = 0, height = 0, depth = 0;
            ASSERT_TRUE(host.bitmap_resource(window, &width, &height, &depth));
            EXPECT_EQ(width, w.width);
            EXPECT_EQ(height, 23);
            EXPECT_EQ(depth, 8);
        }
    }
}

TEST_F(EprIndicator, ActsOnlyBeforeTheDraw) {
    show(100, 0);  // 1.98
    for (const Epr& e : eprs) {
        host.set_token(e.n2_token, 100);
        host.set_token(e.correction_token, no_correction);
        for (int32_t code : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 14, 15, -1}) {
            host.service(e.name, code);
        }
    }
    host.frame();  // its update shows what the codes above left; its draw works out 2.14
    for (const Epr& e : eprs) {
        SCOPED_TRACE(e.name);
        EXPECT_NEAR(host.value(e.name, pointer), 198, tolerance);
        expect_counter(e.name, {1, 9, 8});
    }
    host.frame();
    for (const Epr& e : eprs) EXPECT_NEAR(host.value(e.name, pointer), 214, tolerance) << e.name;
}

TEST_F(EprIndicator, DrawsFaceDrumsMarkerAndPointerInOrder) {
    show(100, 0);
    const int32_t expected[] = {
        bitmap::epr_dial,       bitmap::epr_hundredths_strip, bitmap::epr_tenths_strip,
        bitmap::epr_ones_strip, bitmap::epr_reference_marker, bitmap::epr_pointer};
    for (const Epr& e : eprs) {
        const std::vector<hostmodel::DrawnElement>& drawn = host.drawn(e.name);
        ASSERT_EQ(drawn.size(), std::size(expected)) << e.name;
        for (std::size_t i = 0; i < std::size(expected); ++i) {
            EXPECT_EQ(drawn[i].bitmap_id, expected[i]) << e.name << " element " << i;
        }
    }
}

}  // namespace

// What the suites of the three sound-making gauges share: the gauges' names,
// the tokens the warning gauge reads, and a fixture that starts each test
// with the sound library and the host component present and warnings allowed,
// and ends it with every gauge removed and no new host fault.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "hostmodel/host_model.h"

namespace warning_test {

using hostmodel::Host;
using hostmodel::SoundCall;
using hostmodel::SoundLibrary;

inline constexpr char sound_link[] = "MERTQ4ComLnk";
inline constexpr char gpws[]       = "MERTQ4GPWS";
inline constexpr char signs[]      = "MERTQ4SGN";

namespace token {
inline constexpr uint32_t radio_height_m       = 614;
inline constexpr uint32_t vertical_speed       = 556;
inline constexpr uint32_t glideslope_deviation = 41;
inline constexpr uint32_t warning_gate         = 331;
inline constexpr uint32_t airspeed_kt          = 61;
inline constexpr uint32_t altitude_ft          = 74;
inline constexpr uint32_t gear_1               = 334;
inline constexpr uint32_t gear_2               = 333;
inline constexpr uint32_t spoilers             = 327;
inline constexpr uint32_t state_60             = 60;
inline constexpr uint32_t state_324            = 324;
inline constexpr uint32_t parking_brake        = 323;
inline constexpr uint32_t trim                 = 783;
inline constexpr uint32_t flaps                = 907;
}  // namespace token

// Element n of a gauge as the record of its kind.
template <typename Record>
const Record& record_of(const host::ElementHeader* element) {
    return *reinterpret_cast<const Record*>(element);
}

// What every element of the three gauges shares: drawn with image flags 0x83,
// owned by its gauge, no failure list, no special words; a needle pivot only
// for needles, so zero here.
inline void expect_common_element(const host::ElementHeader& e, const host::GaugeHeader* gauge,
                                  uint32_t type, int32_t bitmap_id, host::PixelPoint position) {
    EXPECT_EQ(e.type, type);
    EXPECT_EQ(e.bitmap_id, bitmap_id);
    EXPECT_EQ(e.position.x, position.x);
    EXPECT_EQ(e.position.y, position.y);
    EXPECT_EQ(e.offset.x, 0);
    EXPECT_EQ(e.offset.y, 0);
    EXPECT_EQ(e.gauge, gauge);
    EXPECT_EQ(e.failures, nullptr);
    EXPECT_EQ(e.image_flags, 0x83u);
    EXPECT_EQ(e.special, 0u);
    EXPECT_EQ(e.reserved, 0u);
}

// The one-line readout strings of the sound link and the warning gauge: no
// bitmap, at (0, 0), a 30 x 10 box of white "Courier New" on black, weight
// 100, character set 1, format flags 0x4240, an update callback, and only
// `first_source` (0 for none) among the three sources.
inline void expect_readout_string(const host::ElementHeader* element,
                                  const host::GaugeHeader* gauge, uint32_t first_source) {
    expect_common_element(*element, gauge, host::element_type::string, -1, {0, 0});
    const auto& s = record_of<host::String>(element);
    EXPECT_EQ(s.sources[0].id, first_source);
    EXPECT_EQ(s.sources[1].id, 0u);
    EXPECT_EQ(s.sources[2].id, 0u);
    EXPECT_EQ(s.box.width, 30);
    EXPECT_EQ(s.box.height, 10);
    EXPECT_EQ(s.foreground, 0x00FFFFFFu);
    EXPECT_EQ(s.background, 0u);
    EXPECT_EQ(s.highlight, 0u);
    ASSERT_NE(s.font_face, nullptr);
    EXPECT_STREQ(s.font_face, "Courier New");
    EXPECT_EQ(s.font_weight, 100);
    EXPECT_EQ(s.charset, 1u);
    EXPECT_EQ(s.format_flags, 0x4240u);
    EXPECT_NE(s.callback, nullptr);
}

// A mouse rectangle record, field by field.
struct MouseRecord {
    uint32_t type;
    host::PixelPoint origin;
    host::BoxSize size;
    int32_t cursor;
    uint32_t events;
    bool has_callback;
};
inline void expect_mouse_list(const host::MouseRect* list,
                              const std::vector<MouseRecord>& records) {
    ASSERT_NE(list, nullptr);
    for (std::size_t i = 0; i < records.size(); ++i) {
        SCOPED_TRACE("mouse record " + std::to_string(i));
        const host::MouseRect& r = list[i];
        const MouseRecord& want  = records[i];
        EXPECT_EQ(r.type, want.type);
        EXPECT_EQ(r.x, want.origin.x);
        EXPECT_EQ(r.y, want.origin.y);
        EXPECT_EQ(r.width, want.size.width);
        EXPECT_EQ(r.height, want.size.height);
        EXPECT_EQ(r.cursor, want.cursor);
        EXPECT_EQ(r.help_id, 0u);
        EXPECT_EQ(r.events, want.events);
        EXPECT_EQ(r.key_event, 0u);
        EXPECT_EQ(r.callback != nullptr, want.has_callback);
        EXPECT_EQ(r.reserved, 0u);
    }
}

class WarningGaugeTest : public ::testing::Test {
  protected:
    Host& host                = Host::instance();
    std::size_t faults_before = 0;

    void SetUp() override {
        faults_before = host.faults().size();
        allow_warnings();
    }

    void TearDown() override {
        host.remove_all();
        allow_warnings();
        const std::vector<std::string> faults(host.faults().begin() + faults_before,
                                              host.faults().end());
        EXPECT_TRUE(faults.empty()) << "first host fault: " << faults.front();
    }

    // The library with all three entry points at its next load, the host
    // component in the process, and the status bytes the host usually has.
    void allow_warnings() {
        host.set_sound_library(SoundLibrary::present);
        host.set_host_component(true);
        host.set_status_bytes(1, 1, 0);
    }

    // Level cruise at 1000 m radio height and 10000 ft, 200 kt (too slow for
    // the terrain warnings), on the glideslope with the warning gate at 0;
    // gear up and locked, spoilers stowed with both states at 0, brake
    // released, trim and flaps at 0.
    void cruise() {
        host.set_token(token::radio_height_m, 1000.0);
        host.set_token(token::vertical_speed, 0.0);
        host.set_token(token::glideslope_deviation, 0.0);
        host.set_token(token::warning_gate, 0.0);
        host.set_token(token::airspeed_kt, 200.0);
        host.set_token(token::altitude_ft, 10000.0);
        host.set_token(token::gear_1, 0.0);
        host.set_token(token::gear_2, 0.0);
        host.set_token(token::spoilers, 0.0);
        host.set_token(token::state_60, 0.0);
        host.set_token(token::state_324, 0.0);
        host.set_token(token::parking_brake, 0.0);
        host.set_token(token::trim, 0.0);
        host.set_token(token::flaps, 0.0);
    }

    // One frame; returns the sound calls it made.
    std::vector<SoundCall> frame() {
        host.frame();
        return host.take_sound_calls();
    }
};

}  // namespace warning_test

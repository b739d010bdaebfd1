// The one fixture of every suite that drives gauges through the host model:
// each test starts from a freshly loaded module on an empty host, ends with
// every gauge removed, and fails if a gauge faulted the host without the test
// taking the fault. Also the numbers that are no readings, and the cursor a
// stepping click area shows.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "host/panel_interface.h"
#include "hostmodel/host_model.h"

namespace host_test {

inline constexpr double nan      = std::numeric_limits<double>::quiet_NaN();
inline constexpr double infinity = std::numeric_limits<double>::infinity();

// A field of a host record, as a value. The records are packed to 4 bytes as
// the host packs them, so a pointer or a double in one may sit on a 4-byte
// boundary, where no reference to its type may bind; gtest's macros take
// their arguments by reference, so such a field goes through this.
template <typename T>
constexpr T field(T value) {
    return value;
}

class HostTest : public ::testing::Test {
  protected:
    hostmodel::Host& host = hostmodel::Host::instance();

    // A fresh module, then what the suite's tests start from.
    void SetUp() final {
        host.reload();
        prepare();
    }

    // The suite's starting point after the fresh load: its gauges placed, say.
    virtual void prepare() {}

    void TearDown() override {
        host.remove_all();
        const std::vector<std::string> left = take_faults();
        EXPECT_TRUE(left.empty()) << left.size() << " host faults, the first: " << left.front();
    }

    // The host faults recorded since the last take: a test that provokes
    // faults on purpose takes and checks them. A reload empties the host's
    // list, so a count beyond it starts over.
    std::vector<std::string> take_faults() {
        const std::vector<std::string>& all = host.faults();
        if (faults_taken_ > all.size()) faults_taken_ = 0;
        std::vector<std::string> taken(all.begin() + static_cast<std::ptrdiff_t>(faults_taken_),
                                       all.end());
        faults_taken_ = all.size();
        return taken;
    }

    // One frame; returns the sound calls it made.
    std::vector<hostmodel::SoundCall> frame() {
        host.frame();
        return host.take_sound_calls();
    }

  private:
    std::size_t faults_taken_ = 0;
};

// The cursor over a point where a click steps a setting by `step`: none off
// every area, the down arrow where the setting falls, the up arrow where it rises.
constexpr int32_t cursor_for_step(int step) {
    return step == 0  ? host::cursor::none
           : step < 0 ? host::cursor::down_arrow
                      : host::cursor::up_arrow;
}

}  // namespace host_test

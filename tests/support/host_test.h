// What the suites that drive gauges through the host model share: a fixture
// that fails a test in which any gauge faulted the host and clears the panel
// after it, the numbers that are no readings, and the cursor a stepping click
// area shows.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <limits>

#include "host/panel_interface.h"
#include "hostmodel/host_model.h"

namespace host_test {

inline constexpr double nan      = std::numeric_limits<double>::quiet_NaN();
inline constexpr double infinity = std::numeric_limits<double>::infinity();

// A suite places its gauges in SetUp; each test must leave the host's fault
// list as it found it.
class HostTest : public ::testing::Test {
  protected:
    hostmodel::Host& host     = hostmodel::Host::instance();
    std::size_t faults_before = host.faults().size();

    void TearDown() override {
        EXPECT_EQ(host.faults().size(), faults_before) << host.faults().back();
        host.remove_all();
    }
};

// The cursor over a point where a click steps a setting by `step`: none off
// every area, the down arrow where the setting falls, the up arrow where it rises.
constexpr int32_t cursor_for_step(int step) {
    return step == 0  ? host::cursor::none
           : step < 0 ? host::cursor::down_arrow
                      : host::cursor::up_arrow;
}

}  // namespace host_test

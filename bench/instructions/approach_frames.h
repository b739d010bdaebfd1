// The measured approach shared by the timing and instruction benchmarks: all
// sixteen gauges placed, frame i's simulation values of a descent from 900 m
// radio height, and the host model's journals taken after every frame so that
// a long run holds constant memory.
#pragma once

#include <cmath>

#include "hostmodel/host_model.h"

namespace bench_approach {

inline const char* const panel[] = {
    "MERTQ4ComLnk",   "MERTQ4GPWS",    "MERTQ4SGN",    "MERTQ4VSI",
    "MERTQ4ASPD",     "MERTQ4_E1N1",   "MERTQ4_E2N1",  "MERTQ4_E1N2",
    "MERTQ4_E2N2",    "MERTQ4_EPR1",   "MERTQ4_EPR2",  "MERTQ4_EPRKNB1",
    "MERTQ4_EPRKNB2", "MERTQ4ALTALRT", "MERTQ4RADALT", "MERTQ4ALTALRTKNB",
};

// Simulation values of frame i of a descent from 900 m radio height.
inline void fly(hostmodel::Host& host, int i) {
    const double t = i % 3000;
    host.set_token(614, 900.0 - 0.3 * t);          // radio height, m
    host.set_token(556, -5.0);                     // vertical speed
    host.set_token(74, 3000.0 - t);                // altitude, ft
    host.set_token(61, 180.0 + std::sin(t / 50));  // indicated airspeed, kt
    host.set_token(65, -700.0);                    // vertical speed, 1/256 m/s
    host.set_token(907, std::fmod(t / 20, 50.0));  // flaps
    host.set_token(624, 80.0 + std::sin(t / 30));  // engine 1 N1, %
    host.set_token(625, 90.0 + std::sin(t / 40));  // engine 1 N2, %
    host.set_token(643, 81.0);
    host.set_token(644, 91.0);
    host.set_token(783, t * 0.001);  // trim
}

inline void place_panel(hostmodel::Host& host) {
    host.remove_all();
    for (const char* name : panel) host.place(name);
}

// Forgets everything the host model recorded of the last frame.
inline void take_journals(hostmodel::Host& host) {
    host.take_outputs();
    host.take_sound_calls();
    host.take_key_events();
    host.take_loader_calls();
    host.clear_element_operations();
}

}  // namespace bench_approach

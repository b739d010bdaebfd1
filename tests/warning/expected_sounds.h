// The sounds of the warning gauges as the sound library receives them, and
// the exact list of calls one frame of the warning gauge makes.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hostmodel/host_model.h"

namespace expected {

using hostmodel::SoundCall;

// Sound files, passed exactly as written.
inline const std::string folder          = "sound\\MERTQ4\\";
inline const std::string minimums        = folder + "TQ4MIN.wav";
inline const std::string altitude_tone   = folder + "TQ4400hz.wav";
inline const std::string altitude_beep   = folder + "TQ4beep.wav";
inline const std::string glideslope      = folder + "TQ4GLIDE.wav";
inline const std::string sink_rate       = folder + "TQ4SINKRT.wav";
inline const std::string sink_pull_up    = folder + "TQ4WPULLUP.wav";
inline const std::string terrain         = folder + "TQ4Terrain.wav";
inline const std::string terrain_pull_up = folder + "TQ4TPULLUP.wav";
inline const std::string callout_500     = folder + "TQ4500.wav";
inline const std::string callout_100     = folder + "TQ4100.wav";
inline const std::string callout_50      = folder + "TQ450.wav";
inline const std::string callout_30      = folder + "TQ430.wav";
inline const std::string callout_10      = folder + "TQ410.wav";
inline const std::string gear_up         = folder + "TQ4GearUpLck.wav";
inline const std::string gear_down       = folder + "TQ4GeardnLck.wav";
inline const std::string spoilers        = folder + "TQ4SpoilExt.wav";
inline const std::string spoilers_2      = folder + "Tq4SplExt.wav";
inline const std::string brake_set       = folder + "TQ4Park.wav";
inline const std::string brake_released  = folder + "TQ4Parkrel.wav";
inline const std::string trim            = folder + "TQ4TRIM.wav";
inline const std::string stall_test      = folder + "TQ4STLL.wav";
inline const std::string overspeed_test  = folder + "TQ4OVSPD.wav";
inline const std::string fire_test       = folder + "TQ4FIRETST.wav";
inline const std::string flaps_up        = folder + "TQ4FlapsUp.wav";
inline const std::string slats           = folder + "TQ4SlatsE.wav";
inline const std::string flaps_5         = folder + "TQ4Flaps5.wav";
inline const std::string flaps_15        = folder + "TQ4Flaps15.wav";
inline const std::string flaps_25        = folder + "TQ4Flaps28.wav";
inline const std::string flaps_40        = folder + "TQ4Flaps35.wav";
inline const std::string flaps_50        = folder + "TQ4Flaps50.wav";
inline const std::string signs           = folder + "TQ4Signs.wav";
inline const std::string bus             = folder + "TQ4Bus.wav";
inline const std::string click_1         = folder + "TQ4Click1.wav";
inline const std::string click_2         = folder + "TQ4Click2.wav";
inline const std::string click_3         = folder + "TQ4Click3.wav";
inline const std::string rotary_click    = folder + "TQ4ClickR.wav";
inline const std::string rotor           = folder + "TQ4Rtr.wav";

inline SoundCall once(const std::string& file) {
    return hostmodel::play(file, "", 0);
}
inline SoundCall looping(const std::string& file, const std::string& key) {
    return hostmodel::play(file, key, 1);
}

// One frame of the warning gauge while warnings are enabled: the flap
// callouts of its readout update, then the rule pass. Looping sounds are
// played while their flag is set and stopped otherwise; the lists hold the
// one-shot sounds that fire at their place in the pass. Fields run in the
// order of the pass.
struct Pass {
    std::vector<SoundCall> flaps      = {};
    std::vector<SoundCall> minimums   = {};
    bool altitude_tone                = false;
    std::vector<SoundCall> beep       = {};
    std::vector<SoundCall> gear       = {};
    std::vector<SoundCall> spoilers   = {};
    bool glideslope                   = false;
    bool sink_rate                    = false;
    bool sink_pull_up                 = false;
    bool terrain                      = false;
    bool terrain_pull_up              = false;
    std::vector<SoundCall> callouts   = {};
    std::vector<SoundCall> spoilers_2 = {};
    std::vector<SoundCall> brake      = {};
    std::vector<SoundCall> trim       = {};
    bool stall_test                   = false;
    bool overspeed_test               = false;
    bool fire_test                    = false;

    std::vector<SoundCall> calls() const {
        std::vector<SoundCall> all;
        const auto add = [&](const std::vector<SoundCall>& some) {
            all.insert(all.end(), some.begin(), some.end());
        };
        const auto loop = [&](bool on, const std::string& file, const std::string& key) {
            all.push_back(on ? looping(file, key) : hostmodel::stop(key));
        };
        add(flaps);
        add(minimums);
        loop(altitude_tone, expected::altitude_tone, "altvib");
        add(beep);
        add(gear);
        add(spoilers);
        loop(glideslope, expected::glideslope, "actglide");
        loop(sink_rate, expected::sink_rate, "actsink");
        loop(sink_pull_up, expected::sink_pull_up, "actpull1");
        loop(terrain, expected::terrain, "actter1");
        loop(terrain_pull_up, expected::terrain_pull_up, "actpull2");
        add(callouts);
        add(spoilers_2);
        add(brake);
        add(trim);
        loop(stall_test, expected::stall_test, "stalltest");
        loop(overspeed_test, expected::overspeed_test, "ovspdtest");
        loop(fire_test, expected::fire_test, "firetest");
        return all;
    }
};

// One frame while warnings are disabled: the flap callouts still run, then
// every sound is stopped.
inline std::vector<SoundCall> disabled_pass(std::vector<SoundCall> flaps = {}) {
    flaps.push_back(hostmodel::terminate());
    return flaps;
}

}  // namespace expected

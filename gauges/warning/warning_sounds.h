// The warning computer's ways of sounding: a looping warning played or
// stopped on every pass, and one-shot sounds, latched or not. Each one-shot
// sound carries its own empty sound key.
#pragma once

#include "sound/sound_library.h"
#include "sound/sound_path.h"

namespace gauges::warning {

// The chime of the sign switches and of the sound link's sign variables.
inline constexpr const char* sign_chime = sound::path<"TQ4Signs.wav">;

struct LoopingSound {
    const char* file;
    const char* key;
};

struct OneShotSound {
    const char* file;
    char key[1] = "";
};

inline void keep_looping(bool holds, const LoopingSound& sound) {
    if (holds) {
        sound::play(sound.file, sound.key, sound::play_looping);
    } else {
        sound::stop(sound.key);
    }
}

inline void play_once(const OneShotSound& sound) {
    sound::play(sound.file, sound.key, sound::play_once);
}

// A latched one-shot sound: plays when `due` holds and the latch is open,
// then closes the latch. Returns whether it played; the caller re-arms.
inline bool play_latched(bool due, bool& latch, const OneShotSound& sound) {
    if (!due || latch) return false;
    play_once(sound);
    latch = true;
    return true;
}

}  // namespace gauges::warning

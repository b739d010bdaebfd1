// The library behind its three calls: the cache of decoded files, the mixer,
// and the output stream, safe to call from any thread.
//
// A path is looked up in the cache by its Windows spelling folded to one form
// (lower case, '/' read as '\'); a file is read and decoded once, at its first
// play, outside the lock the audio thread takes, and kept until the engine
// ends, refused files included, so that the reason is reported once per file.
// The output is readied at the first play or stop (the module stops its
// looping warnings on every frame from the first), and the stream opened at
// the first play that starts a voice and closed by terminate(), which
// silences everything at once. A reason is reported once per file (and the
// device's once per text), never on every call.
//
// Calls given a NULL path or key, a path over max_path_bytes or a key over
// Mixer::max_key_bytes play nothing and change nothing.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "gaugesound/core/clip.h"
#include "gaugesound/core/lock.h"
#include "gaugesound/core/mixer.h"
#include "gaugesound/core/output.h"

namespace gaugesound {

// What the engine needs of its platform besides audio.
struct PlatformOps {
    // Reads the whole file a caller's path names (relative to the process's
    // current folder, backslashes, any letter case). False with `why` set
    // when it cannot.
    bool (*read_file)(const char* path, std::vector<uint8_t>* bytes, std::string* why);
    // One line for the person debugging the host (OutputDebugStringA, stderr).
    Report report;
};

inline constexpr size_t max_path_bytes      = 259;   // MAX_PATH less its NUL
inline constexpr size_t max_cached_refusals = 1024;  // then refusals are no longer remembered

class Engine {
  public:
    Engine(const OutputOps& output, const PlatformOps& platform);
    ~Engine();  // closes the stream; the driver ends it on its own thread
    Engine(const Engine&)            = delete;
    Engine& operator=(const Engine&) = delete;

    // The three calls, as the exports receive them.
    void play(const char* path, const char* key, int32_t loop);
    void stop(const char* key);
    void terminate();

    size_t sounding() const;
    bool stream_open() const;

  private:
    struct Entry {
        std::unique_ptr<const Clip> clip;  // null: refused
    };
    // Hashes a folded path held as a string or a view of a stack buffer
    // alike, so that a lookup builds no string.
    struct PathHash {
        using is_transparent = void;
        size_t operator()(std::string_view path) const {
            return std::hash<std::string_view>{}(path);
        }
    };
    // Mixes for the current stream; a stream already closed gets silence.
    static void pull(void* context, void* stream, int16_t* out, size_t frames);
    const Clip* find_or_load(const char* path);  // null: refused; takes and drops mutex_
    void prepare_output();                       // the output readied once, at the first call

    const OutputOps& output_;
    const PlatformOps& platform_;
    mutable Lock mutex_;  // the mixer, the cache and the stream
    Mixer mixer_;
    std::unordered_map<std::string, Entry, PathHash, std::equal_to<>> cache_;  // by folded path
    void* stream_            = nullptr;
    size_t refusals_         = 0;
    bool refusals_forgotten_ = false;  // said once: refusals past max_cached_refusals
    bool bad_call_reported_  = false;  // said once: a NULL or overlong path or key
    std::atomic<bool> output_prepared_{false};
};

}  // namespace gaugesound

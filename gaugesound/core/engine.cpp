// The engine: the three calls over the cache, the mixer and the stream, with
// every file read and decoded outside the lock the audio thread takes.
#include "gaugesound/core/engine.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>

#include "gaugesound/core/wav.h"

namespace gaugesound {
namespace {

// The length of `text` when it is there and at most `limit` bytes long.
bool bounded_length(const char* text, size_t limit, size_t* length) {
    if (text == nullptr) return false;
    *length = strnlen(text, limit + 1);
    return *length <= limit;
}

char fold(char c) {
    if (c == '/') return '\\';
    if (c >= 'A' && c <= 'Z') return static_cast<char>(c - 'A' + 'a');
    return c;
}

constexpr size_t pull_chunk_frames = 512;  // the most mixed under one hold of the lock

}  // namespace

Engine::Engine(const OutputOps& output, const PlatformOps& platform)
    : output_(output), platform_(platform) {}

Engine::~Engine() {
    terminate();
}

void Engine::prepare_output() {
    if (output_prepared_.load(std::memory_order_relaxed) || output_prepared_.exchange(true)) return;
    if (output_.prepare != nullptr) output_.prepare();
}

void Engine::play(const char* path, const char* key, int32_t loop) {
    prepare_output();
    size_t path_bytes = 0;
    size_t key_bytes  = 0;
    if (!bounded_length(path, max_path_bytes, &path_bytes) ||
        !bounded_length(key, Mixer::max_key_bytes, &key_bytes)) {
        std::unique_lock lock(mutex_);
        if (bad_call_reported_) return;
        bad_call_reported_ = true;
        lock.unlock();
        if (platform_.report) {
            platform_.report("a play with no path or key, or one too long, plays nothing");
        }
        return;
    }
    const Clip* clip = find_or_load(path);
    if (clip == nullptr) return;
    std::lock_guard lock(mutex_);
    if (!mixer_.play(clip, std::string_view(key, key_bytes), loop != 0)) return;
    if (stream_ == nullptr) stream_ = output_.open(&Engine::pull, this, platform_.report);
}

void Engine::stop(const char* key) {
    prepare_output();
    size_t key_bytes = 0;
    if (!bounded_length(key, Mixer::max_key_bytes, &key_bytes)) return;
    std::lock_guard lock(mutex_);
    mixer_.stop(std::string_view(key, key_bytes));
}

void Engine::terminate() {
    void* stream = nullptr;
    {
        std::lock_guard lock(mutex_);
        mixer_.stop_all();
        stream  = stream_;
        stream_ = nullptr;
    }
    // Outside the lock: a driver may wait for its thread, which may be
    // waiting for the lock in pull.
    if (stream != nullptr) output_.close(stream);
}

size_t Engine::sounding() const {
    std::lock_guard lock(mutex_);
    return mixer_.sounding();
}

bool Engine::stream_open() const {
    std::lock_guard lock(mutex_);
    return stream_ != nullptr;
}

void Engine::pull(void* context, void* stream, int16_t* out, size_t frames) {
    auto* engine = static_cast<Engine*>(context);
    while (frames > 0) {
        size_t n = std::min(frames, pull_chunk_frames);
        {
            std::lock_guard lock(engine->mutex_);
            if (stream != nullptr && stream == engine->stream_) {
                engine->mixer_.render(out, n);
            } else {
                std::fill_n(out, n * stream_channels, int16_t{0});
            }
        }
        out += n * stream_channels;
        frames -= n;
    }
}

const Clip* Engine::find_or_load(const char* path) {
    std::array<char, max_path_bytes> folded;
    size_t length = 0;
    for (; path[length] != '\0' && length < folded.size(); ++length) {
        folded[length] = fold(path[length]);
    }
    std::string_view name(folded.data(), length);
    {
        std::lock_guard lock(mutex_);
        if (auto found = cache_.find(name); found != cache_.end()) return found->second.clip.get();
    }

    std::vector<uint8_t> bytes;
    Decoded decoded;
    if (platform_.read_file(path, &bytes, &decoded.why)) decoded = decode_wav(bytes);
    if (decoded.clip == nullptr && decoded.why.empty()) decoded.why = "cannot be read";

    bool forgetting  = false;
    const Clip* clip = nullptr;
    {
        std::lock_guard lock(mutex_);
        if (auto found = cache_.find(name); found != cache_.end()) {
            return found->second.clip.get();  // another thread loaded it meanwhile
        }
        clip = decoded.clip.get();
        if (clip != nullptr || refusals_ < max_cached_refusals) {
            if (clip == nullptr) ++refusals_;
            cache_.emplace(std::string(name), Entry{.clip = std::move(decoded.clip)});
        } else if (!refusals_forgotten_) {
            refusals_forgotten_ = forgetting = true;
        }
    }
    if (clip == nullptr && platform_.report) {
        if (forgetting) {
            platform_.report(("over " + std::to_string(max_cached_refusals) +
                              " files refused: each further one is said at every play")
                                 .c_str());
        }
        platform_.report((std::string(path) + ": " + decoded.why).c_str());
    }
    return clip;
}

}  // namespace gaugesound

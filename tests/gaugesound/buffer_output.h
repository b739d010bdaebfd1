// An output driver for tests: opening a stream records its pull, and the test
// pulls frames by hand (BufferOutput::pull), standing in for the audio thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "gaugesound/core/output.h"

namespace buffer_output {

struct State {
    std::mutex mutex;
    gaugesound::PullFrames pull = nullptr;
    void* context               = nullptr;
    void* stream                = nullptr;  // the stream last opened, closed or not
    bool open                   = false;
    int opens                   = 0;
    int closes                  = 0;
    std::atomic<int> prepares{0};
    int next_id = 1;
};
inline State state;

inline void* open(gaugesound::PullFrames pull, void* context, gaugesound::Report) {
    std::lock_guard lock(state.mutex);
    state.pull    = pull;
    state.context = context;
    state.stream  = reinterpret_cast<void*>(static_cast<uintptr_t>(state.next_id++));
    state.open    = true;
    ++state.opens;
    return state.stream;
}

inline void close(void* stream) {
    std::lock_guard lock(state.mutex);
    if (stream == state.stream) state.open = false;
    ++state.closes;
}

inline void prepare() {
    ++state.prepares;
}

inline constexpr gaugesound::OutputOps ops = {
    .name    = "buffer",
    .open    = open,
    .close   = close,
    .prepare = prepare,
};

inline void reset() {
    std::lock_guard lock(state.mutex);
    state.pull    = nullptr;
    state.context = nullptr;
    state.stream  = nullptr;
    state.open    = false;
    state.opens = state.closes = 0;
    state.prepares             = 0;
}

// `frames` stereo frames pulled from the stream last opened (open or already
// closed, as a late audio thread would), silence when none was ever opened.
inline std::vector<int16_t> pull(size_t frames) {
    std::vector<int16_t> out(frames * 2, 0);
    gaugesound::PullFrames pull;
    void* context;
    void* stream;
    {
        std::lock_guard lock(state.mutex);
        pull    = state.pull;
        context = state.context;
        stream  = state.stream;
    }
    if (pull != nullptr) pull(context, stream, out.data(), frames);
    return out;
}

}  // namespace buffer_output

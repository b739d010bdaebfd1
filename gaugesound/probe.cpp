// GaugeSoundProbe, exported by the test build of the library only, and the
// copy it keeps of what each stream writes to the device.
#include "gaugesound/probe.h"

#include <algorithm>
#include <array>
#include <atomic>

#include "gaugesound/drivers/waveout.h"
#include "gaugesound/library.h"

namespace {

std::array<int16_t, size_t{gaugesound_probe_capture_frames} * gaugesound::stream_channels> captured;
std::atomic<uint32_t> captured_frames{0};
std::atomic<uint32_t> device_streams{0};

// On the stream's thread, before each write: the stream's frames kept from its
// first, the count published after them.
void capture(const gaugesound::WaveOutWrite& write) {
    if (write.first) {
        captured_frames.store(0);
        device_streams.fetch_add(1);
    }
    const uint32_t at   = captured_frames.load(std::memory_order_relaxed);
    const uint32_t kept = std::min(write.frames, gaugesound_probe_capture_frames - at);
    std::copy_n(write.samples, size_t{kept} * gaugesound::stream_channels,
                captured.begin() + static_cast<ptrdiff_t>(at) * gaugesound::stream_channels);
    captured_frames.store(at + kept, std::memory_order_release);
}

const bool observing = (gaugesound::waveout_write_observer = capture, true);

}  // namespace

extern "C" void __cdecl GaugeSoundProbe(GaugeSoundProbeState* state) {
    gaugesound::Engine& engine = gaugesound::library_engine();
    *state                     = {.sounding        = static_cast<uint32_t>(engine.sounding()),
                                  .stream_open     = engine.stream_open() ? 1u : 0u,
                                  .live_streams    = static_cast<uint32_t>(gaugesound::waveout_live_streams()),
                                  .device_streams  = device_streams.load(),
                                  .captured_frames = captured_frames.load(std::memory_order_acquire),
                                  .captured        = captured.data()};
}

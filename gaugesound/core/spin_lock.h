// The engine's lock, for holds of a few microseconds (one render chunk, a
// cache lookup, a voice started or stopped).
//
// It spins, yielding the processor while another thread holds it, and keeps
// no state per thread. The threads runtime's mutex does: the first lock by a
// thread gives it a record and a handle that are freed only as the thread
// ends. The audio thread ends by releasing the library that holds that
// runtime (FreeLibraryAndExitThread), so its record could never be freed, and
// every load and release of the library would leave one behind.
#pragma once

#include <atomic>
#include <thread>

namespace gaugesound {

class SpinLock {
  public:
    void lock() {
        while (held_.test_and_set(std::memory_order_acquire)) {
            while (held_.test(std::memory_order_relaxed)) std::this_thread::yield();
        }
    }
    void unlock() { held_.clear(std::memory_order_release); }

  private:
    std::atomic_flag held_ = ATOMIC_FLAG_INIT;
};

}  // namespace gaugesound

// The engine's lock.
//
// The Windows library takes the system's slim lock: it needs no set-up, holds
// no handle and allocates nothing. The thread library behind std::mutex in
// that build allocates a mutex at its first lock and frees it only when the
// mutex is destroyed, which std::mutex never asks for, so every load of the
// library would leave one behind. Elsewhere the lock is std::mutex, which the
// thread sanitizer knows.
#pragma once

#ifdef _WIN32

namespace gaugesound {

class Lock {
  public:
    Lock()                       = default;
    Lock(const Lock&)            = delete;
    Lock& operator=(const Lock&) = delete;

    void lock();
    void unlock();
    bool try_lock();

  private:
    void* state_ = nullptr;  // an SRWLOCK, SRWLOCK_INIT
};

}  // namespace gaugesound

#else

#include <mutex>

namespace gaugesound {
using Lock = std::mutex;
}  // namespace gaugesound

#endif

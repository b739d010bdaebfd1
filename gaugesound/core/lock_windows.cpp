// The engine's lock in the Windows library: the system's slim lock.
#include <windows.h>

#include "gaugesound/core/lock.h"

namespace gaugesound {

static_assert(sizeof(SRWLOCK) == sizeof(void*) && alignof(SRWLOCK) == alignof(void*));

namespace {
SRWLOCK* srw(void** state) {
    return reinterpret_cast<SRWLOCK*>(state);
}
}  // namespace

void Lock::lock() {
    AcquireSRWLockExclusive(srw(&state_));
}

void Lock::unlock() {
    ReleaseSRWLockExclusive(srw(&state_));
}

bool Lock::try_lock() {
    return TryAcquireSRWLockExclusive(srw(&state_)) != 0;
}

}  // namespace gaugesound

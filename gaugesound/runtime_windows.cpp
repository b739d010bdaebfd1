// What the C++ runtime would throw, the library ends the process on.
//
// The library's code uses no exceptions, and a failed allocation ends the
// process either way. Left to the runtime, a throwing `operator new` and the
// containers' length checks would link its exception machinery: a pool of
// 19 KB (74 KB at 64 bits) allocated at each load and never freed, and, in
// the 32-bit build, the unwinder's frame registration, whose once-only set-up
// makes the thread library keep a record, an event, a thread handle and a
// thread-local slot for the loading thread. Over repeated loads and releases
// that grows without end, and the process dies when its thread-local slots
// run out (after about a thousand loads under Wine). These definitions take
// their place, so none of it is linked.
#include <windows.h>

#include <cstdlib>
#include <new>

namespace {

[[noreturn]] void end_process(const char* why) {
    OutputDebugStringA("GaugeSound: ");
    OutputDebugStringA(why);
    OutputDebugStringA(", ending the process\n");
    std::abort();
}

void* allocate(std::size_t bytes) noexcept {
    return std::malloc(bytes != 0 ? bytes : 1);
}

}  // namespace

void* operator new(std::size_t bytes) {
    if (void* block = allocate(bytes)) return block;
    end_process("out of memory");
}
void* operator new[](std::size_t bytes) {
    return operator new(bytes);
}
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept {
    return allocate(bytes);
}
void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept {
    return allocate(bytes);
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}

// The containers' checks, which the runtime answers with a throw.
namespace std {
void __throw_bad_alloc() {
    end_process("out of memory");
}
void __throw_bad_array_new_length() {
    end_process("out of memory (an array's length)");
}
void __throw_length_error(const char* what) {
    end_process(what);
}
}  // namespace std

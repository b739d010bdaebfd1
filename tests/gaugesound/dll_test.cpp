// The built GaugeSound.dll under Wine: its exports, every bad input with a
// loop sounding meanwhile, no audio device, 200 load-play-release cycles
// counted in threads, handles, memory and thread-local slots beside bare
// cycles, calls from several threads, and, where a sound server gives Wine a
// device (GAUGESOUND_DEVICE=1), the frames the device is given.
//
// The library's state is read through its test build, GaugeSoundProbe.dll:
// the same sources with a fourth export, so that the shipped library keeps
// exactly its three. Reports are caught as the debugger would see them: each
// OutputDebugStringA raises DBG_PRINTEXCEPTION_C, taken by a vectored handler.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, whose types they use.
#include <mmsystem.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "gaugesound/probe.h"

namespace {

using PlayEntry      = void(__cdecl*)(const char* path, const char* key, int32_t loop);
using StopEntry      = void(__cdecl*)(const char* key);
using TerminateEntry = void(__cdecl*)();

constexpr DWORD leave_wait_ms = 2000;  // a released library is gone within this

std::string exe_folder() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\'));
}

std::string full_path(const std::string& path) {
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    return std::string(full, length);
}

const std::string library_path = exe_folder() + "\\gaugesound\\GaugeSound.dll";
const std::string probe_path   = exe_folder() + "\\gaugesound\\GaugeSoundProbe.dll";
const std::string sound_set    = full_path(exe_folder() + "\\..\\sound\\MERTQ4");
const std::string loop_file    = sound_set + "\\Tq4SplExt.wav";
const std::string once_file    = sound_set + "\\TQ4MIN.wav";

// ------------------------------------------------------------ the reports

std::mutex reports_mutex;
std::vector<std::string> reports;

LONG CALLBACK catch_debug_string(EXCEPTION_POINTERS* exception) {
    const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
    if (record.ExceptionCode != DBG_PRINTEXCEPTION_C || record.NumberParameters < 2) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    const auto* text = reinterpret_cast<const char*>(record.ExceptionInformation[1]);
    std::lock_guard lock(reports_mutex);
    reports.emplace_back(text, strnlen(text, record.ExceptionInformation[0]));
    return EXCEPTION_CONTINUE_EXECUTION;
}

const void* const handler = AddVectoredExceptionHandler(1, catch_debug_string);

// The library's own reports (not the device's) since `from`.
std::vector<std::string> reports_since(size_t from) {
    std::lock_guard lock(reports_mutex);
    std::vector<std::string> ours;
    for (size_t i = from; i < reports.size(); ++i) {
        if (reports[i].rfind("GaugeSound: ", 0) == 0 &&
            reports[i].find("audio device") == std::string::npos) {
            ours.push_back(reports[i]);
        }
    }
    return ours;
}
size_t reports_now() {
    std::lock_guard lock(reports_mutex);
    return reports.size();
}
size_t device_reports() {
    std::lock_guard lock(reports_mutex);
    return std::count_if(reports.begin(), reports.end(), [](const std::string& r) {
        return r.find("GaugeSound: no audio device") == 0;
    });
}

// ------------------------------------------------------------ the library

bool gone(const std::string& path) {
    for (DWORD waited = 0; GetModuleHandleA(path.c_str()) != nullptr; waited += 5) {
        if (waited >= leave_wait_ms) return false;
        Sleep(5);
    }
    return true;
}

template <typename Entry>
Entry lookup(HMODULE module, const char* name) {
    return reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// One load of a build of the library, terminated and released at the end.
struct Library {
    explicit Library(const std::string& dll) : path(dll) {
        module = LoadLibraryA(path.c_str());
        if (module == nullptr) return;
        play        = lookup<PlayEntry>(module, "GaugePlaySound");
        stop        = lookup<StopEntry>(module, "GaugeStopSound");
        terminate   = lookup<TerminateEntry>(module, "TerminateSounds");
        probe_entry = lookup<GaugeSoundProbeEntry>(module, "GaugeSoundProbe");
    }
    ~Library() { release(); }
    Library(const Library&)            = delete;
    Library& operator=(const Library&) = delete;

    bool ready() const {
        return module != nullptr && play != nullptr && stop != nullptr && terminate != nullptr;
    }
    GaugeSoundProbeState state() const {
        GaugeSoundProbeState s{};
        if (probe_entry != nullptr) probe_entry(&s);
        return s;
    }
    // Terminates, releases and tells whether the library then left the
    // process within leave_wait_ms.
    bool release() {
        if (module == nullptr) return true;
        terminate();
        FreeLibrary(module);
        module = nullptr;
        return gone(path);
    }

    std::string path;
    HMODULE module                   = nullptr;
    PlayEntry play                   = nullptr;
    StopEntry stop                   = nullptr;
    TerminateEntry terminate         = nullptr;
    GaugeSoundProbeEntry probe_entry = nullptr;
};

// ------------------------------------------------------------ test files

// A mono WAV of `frames` frames: format tag, bits, and the data size its
// header claims (`claimed_bytes`, or the true size when 0).
std::vector<uint8_t> wav(uint16_t tag, uint16_t bits, uint32_t frames, uint32_t claimed_bytes = 0) {
    const uint32_t data_bytes = frames * bits / 8;
    std::vector<uint8_t> b(44 + data_bytes);
    auto put = [&](size_t at, uint32_t value, size_t bytes) { std::memcpy(&b[at], &value, bytes); };
    std::memcpy(&b[0], "RIFF", 4);
    put(4, 36 + data_bytes, 4);
    std::memcpy(&b[8], "WAVEfmt ", 8);
    put(16, 16, 4);
    put(20, tag, 2);
    put(22, 1, 2);
    put(24, 22050, 4);
    put(28, 22050 * bits / 8, 4);
    put(32, bits / 8, 2);
    put(34, bits, 2);
    std::memcpy(&b[36], "data", 4);
    put(40, claimed_bytes != 0 ? claimed_bytes : data_bytes, 4);
    for (uint32_t i = 0; i < data_bytes; ++i) b[44 + i] = uint8_t(i * 37);
    return b;
}

class TestFolder {
  public:
    TestFolder() {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        path_ = std::string(temp) + "gaugesound_dll_test_" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~TestFolder() {
        for (const std::string& file : files_) DeleteFileA(file.c_str());
        RemoveDirectoryA(path_.c_str());
    }
    TestFolder(const TestFolder&)            = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    std::string write(const std::string& name, const std::vector<uint8_t>& bytes) {
        const std::string file = path_ + "\\" + name;
        FILE* out              = std::fopen(file.c_str(), "wb");
        if (out != nullptr) {
            if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), out);
            std::fclose(out);
        }
        files_.push_back(file);
        return file;
    }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
    std::vector<std::string> files_;
};

// ------------------------------------------------------------ exports

TEST(GaugeSoundDll, ExportsExactlyTheThreeCallsUndecorated) {
    Library library(library_path);
    ASSERT_NE(library.module, nullptr) << library_path;
    const auto* base = reinterpret_cast<const uint8_t*>(library.module);
    const auto* dos  = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt =
        reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);  // this build's width
    const IMAGE_DATA_DIRECTORY& entry =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    ASSERT_NE(entry.VirtualAddress, 0u);
    const auto* directory =
        reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
    const auto* names = reinterpret_cast<const DWORD*>(base + directory->AddressOfNames);
    std::vector<std::string> exported;
    for (DWORD i = 0; i < directory->NumberOfNames; ++i) {
        exported.emplace_back(reinterpret_cast<const char*>(base + names[i]));
    }
    std::sort(exported.begin(), exported.end());
    EXPECT_EQ(exported,
              (std::vector<std::string>{"GaugePlaySound", "GaugeStopSound", "TerminateSounds"}));
    EXPECT_EQ(directory->NumberOfFunctions, 3u) << "no export by ordinal alone";
#ifdef _WIN64
    EXPECT_EQ(nt->FileHeader.Machine, IMAGE_FILE_MACHINE_AMD64);
#else
    EXPECT_EQ(nt->FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
#endif
    EXPECT_TRUE(library.release()) << "the library stays in the process after its release";
}

// ------------------------------------------------------------ bad input

TEST(GaugeSoundDll, EveryBadPlayIsRefusedOnceWithTheLoopStillSounding) {
    TestFolder folder;
    const std::vector<uint8_t> good = wav(1, 16, 4410);
    const std::string good_file     = folder.write("good.wav", good);
    const std::string long_text(4096, 'x');
    struct Row {
        const char* reason;
        std::string path;  // "(null)" for a NULL path
        std::string key;   // "(null)" for a NULL key
    };
    const Row rows[] = {
        {"a file that is not there", folder.path() + "\\missing.wav", "good"},
        {"a folder, not a file", folder.path(), "good"},
        {"an empty file", folder.write("empty.wav", {}), "good"},
        {"text, not a WAV", folder.write("text.wav", {'n', 'o', 't', ' ', 'a', ' ', 'W', 'A', 'V'}),
         "good"},
        {"cut inside its format chunk",
         folder.write("truncated.wav", std::vector<uint8_t>(good.begin(), good.begin() + 30)),
         "good"},
        {"a data chunk claiming ten times what it holds",
         folder.write("claims_more.wav", wav(1, 16, 4410, 88200)), "good"},
        {"compressed (format tag 2)", folder.write("compressed.wav", wav(2, 4, 4410)), "good"},
        {"floating point (format tag 3)", folder.write("float.wav", wav(3, 32, 4410)), "good"},
        {"a NULL path", "(null)", "good"},
        {"a NULL key", good_file, "(null)"},
        {"a 4 KB path", long_text, "good"},
        {"a 4 KB key", good_file, long_text},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reason);
        Library library(probe_path);
        ASSERT_TRUE(library.ready());
        library.play(good_file.c_str(), "good", 1);
        ASSERT_EQ(library.state().sounding, 1u);
        const size_t before = reports_now();
        const char* path    = row.path == "(null)" ? nullptr : row.path.c_str();
        const char* key     = row.key == "(null)" ? nullptr : row.key.c_str();
        for (int call = 0; call < 3; ++call) {
            library.play(path, key, 1);
            library.play(path, key, 0);
        }
        if (row.key != "good") library.stop(key);  // a NULL or overlong key stops nothing
        const GaugeSoundProbeState state = library.state();
        EXPECT_EQ(state.sounding, 1u) << "the loop stopped or a refused sound started";
        EXPECT_EQ(state.stream_open, 1u);
        const std::vector<std::string> said = reports_since(before);
        ASSERT_EQ(said.size(), 1u) << "the reason is said once, not at every call";
        EXPECT_GT(said[0].size(), std::string("GaugeSound: \n").size());
        EXPECT_EQ(said[0].back(), '\n');
        library.stop("good");
        EXPECT_EQ(library.state().sounding, 0u) << "the loop kept its key";
        EXPECT_TRUE(library.release());
    }
}

TEST(GaugeSoundDll, PlaysAPathAsWindowsNamesIt) {
    const std::string relative = "..\\sound\\MERTQ4\\TQ4MIN.wav";  // from the test's folder
    std::string upper          = once_file;
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
    std::string slashed = once_file;
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    struct Row {
        const char* reason;
        std::string path;
    } const rows[] = {
        {"full path", once_file},
        {"relative to the current folder", relative},
        {"upper case", upper},
        {"forward slashes", slashed},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reason);
        Library library(probe_path);
        ASSERT_TRUE(library.ready());
        const size_t before = reports_now();
        library.play(row.path.c_str(), "k", 1);
        EXPECT_EQ(library.state().sounding, 1u) << row.path;
        EXPECT_TRUE(reports_since(before).empty()) << reports_since(before).front();
        EXPECT_TRUE(library.release());
    }
}

// ------------------------------------------------------------ lifecycle

TEST(GaugeSoundDll, TerminateSilencesAndEndsTheStreamWithTheLibraryStillLoaded) {
    Library library(probe_path);
    ASSERT_TRUE(library.ready());
    library.play(loop_file.c_str(), "loop", 1);
    library.play(once_file.c_str(), "", 0);
    EXPECT_EQ(library.state().sounding, 2u);
    EXPECT_EQ(library.state().live_streams, 1u);
    library.terminate();
    EXPECT_EQ(library.state().sounding, 0u);
    EXPECT_EQ(library.state().stream_open, 0u);
    DWORD waited = 0;
    while (library.state().live_streams != 0 && waited < leave_wait_ms) Sleep(5), waited += 5;
    EXPECT_EQ(library.state().live_streams, 0u) << "the stream's thread did not end";
    library.play(loop_file.c_str(), "loop", 1);  // a new stream after a terminate
    EXPECT_EQ(library.state().sounding, 1u);
    EXPECT_EQ(library.state().live_streams, 1u);
    EXPECT_TRUE(library.release());
}

size_t thread_count() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    size_t count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
    }
    CloseHandle(snapshot);
    return count;
}

// Wine counts no handles (GetProcessHandleCount gives 0): there a handle leak
// shows as the value of the next handle made, which takes the lowest free
// slot; thread-local slots likewise. Memory is counted block by block in the
// process's heaps (the C runtime's among them), to the byte: the commit charge
// moves by hundreds of kilobytes as the heaps grow and shrink.
struct Usage {
    size_t threads;
    DWORD handles;
    uintptr_t next_handle;
    size_t heap_bytes;
    DWORD next_tls_slot;
};

size_t heap_bytes_in_use() {
    HANDLE heaps[64];
    const DWORD count = std::min<DWORD>(GetProcessHeaps(64, heaps), 64);
    size_t bytes      = 0;
    for (DWORD h = 0; h < count; ++h) {
        HeapLock(heaps[h]);
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heaps[h], &entry)) {
            if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0) bytes += entry.cbData;
        }
        HeapUnlock(heaps[h]);
    }
    return bytes;
}

Usage usage() {
    Usage u{.threads       = thread_count(),
            .handles       = 0,
            .next_handle   = 0,
            .heap_bytes    = heap_bytes_in_use(),
            .next_tls_slot = TlsAlloc()};
    TlsFree(u.next_tls_slot);
    GetProcessHandleCount(GetCurrentProcess(), &u.handles);
    HANDLE probe  = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    u.next_handle = reinterpret_cast<uintptr_t>(probe);
    CloseHandle(probe);
    return u;
}

// What a number of load and release cycles leaves in the process, from its
// tenth cycle on (by then Wine's audio stack is up): `cycle` does one.
struct Growth {
    Usage settled, last;
    long handles() const { return long(last.next_handle - settled.next_handle) / 4; }
    long heap_bytes() const { return long(last.heap_bytes) - long(settled.heap_bytes); }
    long tls_slots() const { return long(last.next_tls_slot) - long(settled.next_tls_slot); }
};

template <typename Cycle>
Growth growth_over(int cycles, Cycle cycle) {
    constexpr int settled_cycle = 10;
    Growth g{};
    for (int n = 1; n <= settled_cycle + cycles; ++n) {
        cycle(n);
        if (::testing::Test::HasFatalFailure()) return g;
        if (n == settled_cycle) g.settled = usage();
    }
    g.last = usage();
    return g;
}

// A bare waveOut cycle, as Wine's own audio stack leaves it: a thread that
// opens the default device as the library does, writes 100 ms, closes it.
DWORD WINAPI bare_wave_output(void*) {
    WAVEFORMATEX format{.wFormatTag      = WAVE_FORMAT_PCM,
                        .nChannels       = 2,
                        .nSamplesPerSec  = 44100,
                        .nAvgBytesPerSec = 44100 * 4,
                        .nBlockAlign     = 4,
                        .wBitsPerSample  = 16,
                        .cbSize          = 0};
    HWAVEOUT device = nullptr;
    if (waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
        return 0;  // no device: the bare cycle is the thread alone
    }
    static int16_t samples[4410 * 2];
    WAVEHDR header{};
    header.lpData         = reinterpret_cast<LPSTR>(samples);
    header.dwBufferLength = sizeof samples;
    waveOutPrepareHeader(device, &header, sizeof header);
    waveOutWrite(device, &header, sizeof header);
    Sleep(20);
    waveOutReset(device);
    waveOutUnprepareHeader(device, &header, sizeof header);
    waveOutClose(device);
    return 0;
}

// The library's growth is held to what bare cycles leave: loads and releases
// of another library of the build (the stand-in GLOBAL.DLL, linked the same
// way), and bare waveOut cycles, since Wine's loader and audio stack keep a
// little of their own.
struct Soak {
    Growth bare_library, bare_wave_output, sound;
};

Soak soak(int cycles) {
    const std::string bare_path = exe_folder() + "\\standin\\GLOBAL.DLL";
    Soak result;
    result.bare_library     = growth_over(cycles, [&](int n) {
        HMODULE module = LoadLibraryA(bare_path.c_str());
        ASSERT_NE(module, nullptr) << "bare cycle " << n;
        FreeLibrary(module);
    });
    result.bare_wave_output = growth_over(cycles, [&](int n) {
        HANDLE thread = CreateThread(nullptr, 0, bare_wave_output, nullptr, 0, nullptr);
        ASSERT_NE(thread, nullptr) << "bare cycle " << n;
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    });
    result.sound            = growth_over(cycles, [&](int n) {
        HMODULE module = LoadLibraryA(library_path.c_str());
        ASSERT_NE(module, nullptr) << "cycle " << n;
        auto play      = lookup<PlayEntry>(module, "GaugePlaySound");
        auto terminate = lookup<TerminateEntry>(module, "TerminateSounds");
        play(loop_file.c_str(), "loop", 1);
        play(once_file.c_str(), "", 0);
        terminate();
        FreeLibrary(module);  // at once, the stream's thread perhaps still running
        ASSERT_TRUE(gone(library_path))
            << "cycle " << n << ": still in the process after " << leave_wait_ms << " ms";
    });
    for (const auto& [name, g] : {std::pair{"bare library", result.bare_library},
                                  std::pair{"bare waveOut", result.bare_wave_output},
                                  std::pair{"GaugeSound", result.sound}}) {
        std::printf(
            "%d cycles of %s: threads %zu -> %zu, %ld handles, %ld heap bytes, "
            "%ld thread-local slots\n",
            cycles, name, g.settled.threads, g.last.threads, g.handles(), g.heap_bytes(),
            g.tls_slots());
    }
    return result;
}

constexpr int soak_cycles = 200;

TEST(GaugeSoundDll, LoadPlayTerminateReleaseCyclesLeaveNothingBeyondBareCycles) {
    const Soak s = soak(soak_cycles);
    if (::testing::Test::HasFatalFailure()) return;
    const Growth& library = s.bare_library;
    const Growth& wave    = s.bare_wave_output;
    // One of Wine's pool threads comes and goes on its own.
    EXPECT_LE(s.sound.last.threads, s.sound.settled.threads + 1)
        << "a stream's thread left running";
    // A handle or a thread-local slot a cycle, or a lock's record (20 bytes)
    // a cycle, would pass these.
    EXPECT_LE(s.sound.handles(), library.handles() + wave.handles() + soak_cycles / 20);
    EXPECT_LE(s.sound.tls_slots(), library.tls_slots() + wave.tls_slots() + 2);
    EXPECT_LE(s.sound.heap_bytes(), std::max(0L, library.heap_bytes()) +
                                        std::max(0L, wave.heap_bytes()) + 16 * soak_cycles);
}

// ------------------------------------------------------------ the device

// 16-bit stereo at the stream's own rate, so that the device must be given
// exactly its samples: noise from `seed`, no two stretches alike.
struct StreamRateSound {
    std::vector<int16_t> samples;  // interleaved
    std::vector<uint8_t> file;
};

StreamRateSound stream_rate_noise(uint32_t frames, uint32_t seed) {
    StreamRateSound sound;
    sound.samples.resize(size_t{frames} * 2);
    for (int16_t& sample : sound.samples) {
        seed   = seed * 1103515245u + 12345u;
        sample = int16_t(seed >> 16);
    }
    const uint32_t data_bytes = frames * 4;
    sound.file.resize(44 + data_bytes);
    auto put = [&](size_t at, uint32_t value, size_t bytes) {
        std::memcpy(&sound.file[at], &value, bytes);
    };
    std::memcpy(&sound.file[0], "RIFF", 4);
    put(4, 36 + data_bytes, 4);
    std::memcpy(&sound.file[8], "WAVEfmt ", 8);
    put(16, 16, 4);
    put(20, 1, 2);
    put(22, 2, 2);
    put(24, 44100, 4);
    put(28, 44100 * 4, 4);
    put(32, 4, 2);
    put(34, 16, 2);
    std::memcpy(&sound.file[36], "data", 4);
    put(40, data_bytes, 4);
    std::memcpy(&sound.file[44], sound.samples.data(), data_bytes);
    return sound;
}

// Waits (up to 10 s) until the library's `stream`th device stream since its
// load has written `frames`; a failure says how far the streams got.
testing::AssertionResult wait_written(const Library& library, uint32_t stream, uint32_t frames) {
    for (int waited = 0;; waited += 10) {
        const GaugeSoundProbeState state = library.state();
        if (state.device_streams >= stream && state.captured_frames >= frames) {
            return testing::AssertionSuccess();
        }
        if (waited >= 10000) {
            return testing::AssertionFailure()
                   << "after 10 s: " << state.device_streams << " device streams (" << stream
                   << " wanted), the last wrote " << state.captured_frames << " frames (" << frames
                   << " wanted); " << state.live_streams << " stream threads, " << state.sounding
                   << " sounding, stream open " << state.stream_open;
        }
        Sleep(10);
    }
}

// The first frame at which `captured` leaves `expected` (interleaved, repeated
// as a loop), or -1.
long first_difference(const int16_t* captured, const std::vector<int16_t>& expected,
                      uint32_t frames) {
    for (size_t sample = 0; sample < size_t{frames} * 2; ++sample) {
        if (captured[sample] != expected[sample % expected.size()]) return long(sample / 2);
    }
    return -1;
}

// Every stream, the first and the first after a terminate, gives the device
// the mix from its first frame on, buffer after buffer with none lost,
// repeated or reordered: a one-shot whole then silence, a loop seamlessly.
// Run by the suite's entry that starts a sound server (GAUGESOUND_DEVICE=1).
TEST(GaugeSoundDllDevice, GivesTheDeviceTheMixFrameForFrame) {
    if (std::getenv("GAUGESOUND_DEVICE") == nullptr) GTEST_SKIP() << "no sound server";
    TestFolder folder;
    const StreamRateSound once  = stream_rate_noise(22050, 7);  // 0.5 s
    const StreamRateSound loop  = stream_rate_noise(3001, 11);  // 68 ms, no buffer's multiple
    const std::string once_path = folder.write("once.wav", once.file);
    const std::string loop_path = folder.write("loop.wav", loop.file);
    Library library(probe_path);
    ASSERT_TRUE(library.ready());
    uint32_t streams = 0;
    for (const char* round : {"the first stream", "the stream after a terminate"}) {
        SCOPED_TRACE(round);
        library.play(once_path.c_str(), "", 0);
        ASSERT_TRUE(wait_written(library, ++streams, 22050 + 8820))
            << "the stream stopped writing, or never reached the device";
        const int16_t* captured = library.state().captured;
        EXPECT_EQ(first_difference(captured, once.samples, 22050), -1) << "the one-shot, frame";
        EXPECT_EQ(first_difference(captured + 22050 * 2, {0, 0}, 8820), -1)
            << "silence after it, frame";
        library.terminate();
        library.play(loop_path.c_str(), "loop", 1);
        ASSERT_TRUE(wait_written(library, ++streams, gaugesound_probe_capture_frames));
        EXPECT_EQ(first_difference(library.state().captured, loop.samples,
                                   gaugesound_probe_capture_frames),
                  -1)
            << "the loop, frame";
        library.terminate();
    }
    EXPECT_TRUE(library.release());
}

// ------------------------------------------------------------ threads

struct Caller {
    Library* library;
    unsigned seed;
};

DWORD WINAPI call_at_random(void* parameter) {
    auto* caller       = static_cast<Caller*>(parameter);
    const char* keys[] = {"a", "b", "c", ""};
    for (int i = 0; i < 400; ++i) {
        caller->seed  = caller->seed * 1103515245u + 12345u;
        const auto r  = caller->seed >> 16;
        const char* k = keys[r % 4];
        switch (r / 4 % 8) {
            case 0:
                caller->library->terminate();
                break;
            case 1:
            case 2:
                caller->library->stop(k);
                break;
            case 3:
                caller->library->play(once_file.c_str(), k, 0);
                break;
            default:
                caller->library->play((r & 1) ? loop_file.c_str() : once_file.c_str(), k, 1);
        }
    }
    return 0;
}

TEST(GaugeSoundDll, CallsFromSeveralThreadsAtOnceNeitherCrashNorHang) {
    Library library(probe_path);
    ASSERT_TRUE(library.ready());
    constexpr int callers = 4;
    Caller caller[callers];
    HANDLE threads[callers];
    for (int i = 0; i < callers; ++i) {
        caller[i]  = {.library = &library, .seed = 17u + unsigned(i)};
        threads[i] = CreateThread(nullptr, 0, call_at_random, &caller[i], 0, nullptr);
        ASSERT_NE(threads[i], nullptr);
    }
    EXPECT_EQ(WaitForMultipleObjects(callers, threads, TRUE, 30000), WAIT_OBJECT_0)
        << "a call hung";
    for (HANDLE thread : threads) CloseHandle(thread);
    EXPECT_LE(library.state().sounding, 3u + 64u);
    EXPECT_TRUE(library.release());
}

// ------------------------------------------------------------ no device

// Run by the suite's second entry, with Wine's audio drivers disabled.
TEST(GaugeSoundDllNoDevice, PlaysNothingSaysWhyOnceAndEndsItsThreads) {
    if (std::getenv("GAUGESOUND_NO_DEVICE") == nullptr) GTEST_SKIP() << "audio drivers enabled";
    const size_t before  = device_reports();
    const size_t threads = thread_count();
    for (int round = 0; round < 5; ++round) {
        Library library(probe_path);
        ASSERT_TRUE(library.ready());
        library.play(loop_file.c_str(), "loop", 1);
        library.play(once_file.c_str(), "", 0);
        Sleep(50);
        EXPECT_EQ(library.state().live_streams, 1u) << "the stream stays, silent";
        library.terminate();
        library.play(loop_file.c_str(), "loop", 1);
        Sleep(50);
        EXPECT_TRUE(library.release());
    }
    EXPECT_EQ(device_reports() - before, 1u) << "once in the process's life";
    EXPECT_LE(thread_count(), threads + 2) << "threads left behind";
}

}  // namespace

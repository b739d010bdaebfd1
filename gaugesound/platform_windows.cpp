// Reading a sound file as the caller names it, and the one-line report.
#include "gaugesound/platform_windows.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace gaugesound {
namespace {

// The system's text for `error`, without its line break.
std::string system_text(DWORD error) {
    char text[256] = "";
    DWORD length   = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                    nullptr, error, 0, text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' ||
                          text[length - 1] == ' ' || text[length - 1] == '.')) {
        text[--length] = '\0';
    }
    char line[320];
    std::snprintf(line, sizeof line, "%s (error %lu)", length > 0 ? text : "system error",
                  static_cast<unsigned long>(error));
    return line;
}

class File {
  public:
    explicit File(const char* path)
        : handle_(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr)) {}
    ~File() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    File(const File&)            = delete;
    File& operator=(const File&) = delete;
    HANDLE get() const { return handle_; }

  private:
    HANDLE handle_;
};

bool read_file(const char* path, std::vector<uint8_t>* bytes, std::string* why) {
    File file(path);
    if (file.get() == INVALID_HANDLE_VALUE) {
        *why = "cannot open: " + system_text(GetLastError());
        return false;
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size)) {
        *why = "cannot read its size: " + system_text(GetLastError());
        return false;
    }
    if (size.QuadPart > static_cast<LONGLONG>(max_file_bytes)) {
        char line[128];
        std::snprintf(line, sizeof line, "%lld bytes, over the %zu MB a sound file may hold",
                      static_cast<long long>(size.QuadPart), max_file_bytes >> 20);
        *why = line;
        return false;
    }
    bytes->resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < bytes->size()) {
        DWORD read = 0;
        if (!ReadFile(file.get(), bytes->data() + done, static_cast<DWORD>(bytes->size() - done),
                      &read, nullptr)) {
            *why = "cannot read: " + system_text(GetLastError());
            return false;
        }
        if (read == 0) break;  // shrunk while being read
        done += read;
    }
    bytes->resize(done);
    return true;
}

void report(const char* line) {
    char text[1024];
    std::snprintf(text, sizeof text, "GaugeSound: %s\n", line);
    OutputDebugStringA(text);
}

}  // namespace

const PlatformOps windows_platform = {
    .read_file = read_file,
    .report    = report,
};

}  // namespace gaugesound

// Reads the files a caller names with a Windows path, resolving each
// component against the folder's own entries regardless of letter case, and
// reports to stderr.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "gaugesound/platform.h"

namespace gaugesound {
namespace {

namespace fs = std::filesystem;

bool same_ignoring_case(std::string_view a, std::string_view b) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// The entry of `folder` named `name` in any letter case; the exact spelling
// when it exists.
bool find_entry(const fs::path& folder, std::string_view name, fs::path* found) {
    std::error_code error;
    fs::path exact = folder / fs::path(name);
    if (fs::exists(fs::symlink_status(exact, error))) {
        *found = exact;
        return true;
    }
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, error), end;
         !error && it != end; it.increment(error)) {
        if (same_ignoring_case(it->path().filename().native(), name)) {
            *found = folder / it->path().filename();
            return true;
        }
    }
    return false;
}

// The file a Windows path names, relative to the current folder unless it
// starts at the root.
bool resolve(std::string_view path, fs::path* resolved, std::string* why) {
    if (path.size() >= 2 && path[1] == ':') {
        *why = "a drive letter, which names no folder here";
        return false;
    }
    fs::path at;
    if (!path.empty() && (path[0] == '\\' || path[0] == '/')) at = "/";
    while (!path.empty()) {
        size_t cut                 = path.find_first_of("\\/");
        std::string_view component = path.substr(0, cut);
        path = cut == std::string_view::npos ? std::string_view{} : path.substr(cut + 1);
        if (component.empty() || component == ".") continue;
        if (component == "..") {
            at = at.empty() ? fs::path("..") : at / "..";
            continue;
        }
        fs::path next;
        if (!find_entry(at, component, &next)) {
            *why = "not found (no \"" + std::string(component) + "\" in " +
                   (at.empty() ? std::string("the current folder") : "\"" + at.string() + "\"") +
                   ")";
            return false;
        }
        at = next;
    }
    *resolved = at;
    return true;
}

bool read_file(const char* path, std::vector<uint8_t>* bytes, std::string* why) {
    fs::path file;
    if (!resolve(path, &file, why)) return false;
    std::error_code error;
    if (!fs::is_regular_file(file, error)) {
        *why = "not a file";
        return false;
    }
    uintmax_t size = fs::file_size(file, error);
    if (error) {
        *why = "cannot be read: " + error.message();
        return false;
    }
    if (size > largest_file_bytes) {
        *why = "a file of " + std::to_string(size) + " bytes, over the " +
               std::to_string(largest_file_bytes) + " a sound may take";
        return false;
    }
    std::ifstream in(file, std::ios::binary);
    bytes->resize(static_cast<size_t>(size));
    if (!in.read(reinterpret_cast<char*>(bytes->data()), static_cast<std::streamsize>(size))) {
        *why = "cannot be read";
        return false;
    }
    return true;
}

void report(const char* line) {
    std::fprintf(stderr, "GaugeSound: %s\n", line);
}

}  // namespace

const PlatformOps native_platform = {
    .read_file = read_file,
    .report    = report,
};

}  // namespace gaugesound

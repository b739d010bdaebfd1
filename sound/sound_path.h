// Paths of the module's sound files, relative to the host's folder: the
// aircraft's sound folder and a file name, joined at build time, so that the
// folder is written once and each file name once.
//
//   sound::path<"TQ4MIN.wav">   is   "sound\\MERTQ4\\TQ4MIN.wav"
#pragma once

#include <array>
#include <cstddef>

namespace sound {

// The folder every sound of the module is played from.
inline constexpr char folder[] = "sound\\MERTQ4\\";

// A file name given as a template argument, terminator included.
template <std::size_t Bytes>
struct FileName {
    char chars[Bytes];
    consteval FileName(const char (&name)[Bytes]) {
        for (std::size_t i = 0; i < Bytes; ++i) chars[i] = name[i];
    }
};

// The folder followed by `name`, terminated.
template <FileName name>
consteval auto joined_path() {
    constexpr std::size_t folder_chars = sizeof(folder) - 1;
    std::array<char, folder_chars + sizeof(name.chars)> text{};
    for (std::size_t i = 0; i < folder_chars; ++i) text[i] = folder[i];
    for (std::size_t i = 0; i < sizeof(name.chars); ++i) text[folder_chars + i] = name.chars[i];
    return text;
}

template <FileName name>
inline constexpr auto path_text = joined_path<name>();

// The path of `name` in the sound folder. (Under the undefined-behaviour
// sanitizer the compiler does not take such a path's address for non-null at
// build time: check tables of paths by another field.)
template <FileName name>
inline constexpr const char* path = path_text<name>.data();

}  // namespace sound

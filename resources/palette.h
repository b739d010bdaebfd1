// Chooses the 256-colour palette of an 8-bit bitmap by median cut over its
// painted colours, with pure black alone at index 0 for the host's
// transparency; deterministic: the same pixels always give the same palette.
// Input: a painted canvas; output: the palette and each pixel's index.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <vector>

#include "resources/bitmap_table.h"

namespace palette {

inline constexpr size_t entries      = 256;
inline constexpr uint8_t see_through = 0;  // the index of pure black

struct Counted {
    Rgb colour;
    uint32_t count;
};

// One box of the cut: a run of colours and the channel it spans most.
struct Box {
    std::vector<Counted> colours;

    int widest_channel(int* span) const {
        std::array<int, 3> low{255, 255, 255}, high{0, 0, 0};
        for (const Counted& c : colours) {
            const std::array<int, 3> v{c.colour.r, c.colour.g, c.colour.b};
            for (int i = 0; i < 3; ++i) {
                low[i]  = std::min(low[i], v[i]);
                high[i] = std::max(high[i], v[i]);
            }
        }
        int best = 0;
        for (int i = 1; i < 3; ++i) {
            if (high[i] - low[i] > high[best] - low[best]) best = i;
        }
        *span = high[best] - low[best];
        return best;
    }

    // The count-weighted mean colour, never pure black.
    Rgb mean() const {
        uint64_t r = 0, g = 0, b = 0, n = 0;
        for (const Counted& c : colours) {
            r += uint64_t{c.colour.r} * c.count;
            g += uint64_t{c.colour.g} * c.count;
            b += uint64_t{c.colour.b} * c.count;
            n += c.count;
        }
        Rgb m = {static_cast<uint8_t>((r + n / 2) / n), static_cast<uint8_t>((g + n / 2) / n),
                 static_cast<uint8_t>((b + n / 2) / n)};
        if (m == black) m = {1, 1, 1};
        return m;
    }
};

inline uint8_t channel(Rgb c, int i) {
    return i == 0 ? c.r : i == 1 ? c.g : c.b;
}

struct Indexed {
    std::vector<Rgb> colours;     // index 0 is black; at most 256
    std::vector<uint8_t> pixels;  // row by row from the top
};

inline Indexed quantise(const Canvas& canvas) {
    std::map<uint32_t, uint32_t> counts;  // painted colours, ordered by value
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const Rgb c = canvas.at(x, y);
            if (c != black) ++counts[uint32_t{c.r} << 16 | uint32_t{c.g} << 8 | c.b];
        }
    }
    Indexed out{.colours = {black}, .pixels = {}};
    std::vector<Box> boxes;
    if (!counts.empty()) {
        Box all;
        for (const auto& [key, n] : counts) {
            all.colours.push_back({Rgb{static_cast<uint8_t>(key >> 16),
                                       static_cast<uint8_t>(key >> 8), static_cast<uint8_t>(key)},
                                   n});
        }
        boxes.push_back(std::move(all));
    }
    // Split the box with the widest span at its weighted median until the
    // palette is full or every box holds one colour.
    while (boxes.size() < entries - 1) {
        int best = -1, best_span = 0, best_channel = 0;
        for (size_t i = 0; i < boxes.size(); ++i) {
            if (boxes[i].colours.size() < 2) continue;
            int span        = 0;
            const int which = boxes[i].widest_channel(&span);
            if (span > best_span)
                best = static_cast<int>(i), best_span = span, best_channel = which;
        }
        if (best < 0) break;
        std::vector<Counted>& cs = boxes[best].colours;
        std::stable_sort(cs.begin(), cs.end(), [&](const Counted& a, const Counted& b) {
            return channel(a.colour, best_channel) < channel(b.colour, best_channel);
        });
        uint64_t total = 0, running = 0;
        for (const Counted& c : cs) total += c.count;
        size_t cut = 1;
        for (; cut < cs.size() - 1; ++cut) {
            running += cs[cut - 1].count;
            if (2 * running >= total) break;
        }
        Box upper{std::vector<Counted>(cs.begin() + static_cast<std::ptrdiff_t>(cut), cs.end())};
        cs.resize(cut);
        boxes.push_back(std::move(upper));
    }
    std::map<uint32_t, uint8_t> index_of;
    for (const Box& box : boxes) {
        const auto index = static_cast<uint8_t>(out.colours.size());
        out.colours.push_back(box.mean());
        for (const Counted& c : box.colours) {
            index_of[uint32_t{c.colour.r} << 16 | uint32_t{c.colour.g} << 8 | c.colour.b] = index;
        }
    }
    out.pixels.reserve(static_cast<size_t>(canvas.width()) * canvas.height());
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const Rgb c = canvas.at(x, y);
            out.pixels.push_back(c == black
                                     ? see_through
                                     : index_of[uint32_t{c.r} << 16 | uint32_t{c.g} << 8 | c.b]);
        }
    }
    return out;
}

}  // namespace palette

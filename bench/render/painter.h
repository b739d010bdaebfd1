// Draws gauges as the host does, from the module's own element records (read
// through the host model) and a snapshot's element states, and lays the placed
// gauges out on one panel picture. Pixels are gauge pixels; angles are degrees
// clockwise from +x with y pointing down, as the host measures them.
#pragma once

#include <cairo.h>

#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "bench/render/trace_reader.h"

namespace bench::render {

struct SurfaceRelease {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
// A Cairo ARGB32 image surface that this code owns.
using Picture = std::unique_ptr<cairo_surface_t, SurfaceRelease>;

// The default panel arrangement: gauges in Linkage order, left to right, a new
// row when the next would pass the row width; each gauge at its root bitmap's
// size with its name below it.
namespace panel_layout {
inline constexpr int margin_px          = 16;    // around the whole panel
inline constexpr int gap_px             = 16;    // between gauges in a row, and between rows
inline constexpr int label_band_px      = 20;    // under each gauge, for its name
inline constexpr double label_size_px   = 12;    // DejaVu Sans Mono
inline constexpr int row_width_limit_px = 1100;  // widest row, margins excluded
}  // namespace panel_layout

// Gauge `name` at its root bitmap's size on a transparent ground, each element
// drawn by the host's rule for its type in chain order; hidden ones are left
// out. Throws BadRun when `elements` does not match the gauge's chain (count
// and kinds) or the gauge is not in Linkage.
Picture paint_gauge(std::string_view name, std::span<const ElementState> elements);

struct PlacedPicture {
    std::string name;
    Picture picture;  // from paint_gauge
};

// The panel picture of the placed gauges, in the default arrangement above.
Picture paint_panel(std::span<const PlacedPicture> gauges);

// Where each gauge sits on a panel of a given size: its top-left corner in
// panel pixels, as a panel configuration places gauges at native size.
struct Arrangement {
    int width_px  = 0;
    int height_px = 0;
    std::map<std::string, std::pair<int, int>> at;
};

// The panel picture of the placed gauges where `arrangement` puts them;
// gauges it does not place are left out.
Picture paint_arranged(std::span<const PlacedPicture> gauges, const Arrangement& arrangement);

// The picture as PNG file bytes.
std::string png_bytes(cairo_surface_t* picture);

// Frees the bitmaps, fonts and font configuration kept between pictures; call
// once at the end, when no Picture is left.
void release_caches();

// Writes `picture` as a PNG; throws BadRun naming the path on failure.
void write_png(cairo_surface_t* picture, const std::string& path);

}  // namespace bench::render

// Build tool: draws every bitmap on one sheet, labelled with its id and role,
// where the host sees through it shown as a grey checkerboard.
// Usage: contact_sheet OUTPUT.png [SCALE [ID...]]: SCALE enlarges the sheet,
// and ids (hexadecimal) pick the bitmaps to show.
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "resources/bitmap_table.h"

namespace {

constexpr int columns    = 6;
constexpr int cell_w     = 290;
constexpr int label_h    = 34;
constexpr int margin     = 10;
constexpr int checker_px = 6;

int row_height(std::span<const BitmapTableEntry> row) {
    int h = 0;
    for (const BitmapTableEntry& e : row) h = std::max(h, e.height);
    return h + label_h + 2 * margin;
}

void draw_bitmap(cairo_t* cr, const BitmapTableEntry& entry, double x, double y) {
    const Canvas canvas = render(entry);
    for (int py = 0; py < canvas.height(); ++py) {
        for (int px = 0; px < canvas.width(); ++px) {
            Rgb c = canvas.at(px, py);
            if (c == black) {
                const bool dark = ((px / checker_px) + (py / checker_px)) % 2 == 0;
                c               = dark ? Rgb{96, 96, 104} : Rgb{128, 128, 136};
            }
            cairo_set_source_rgb(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0);
            cairo_rectangle(cr, x + px, y + py, 1, 1);
            cairo_fill(cr);
        }
    }
}

void label(cairo_t* cr, double x, double y, const std::string& line, bool bold) {
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 11);
    cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
    cairo_move_to(cr, x, y);
    cairo_show_text(cr, line.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png [SCALE [ID...]]\n",
                     argc > 0 ? argv[0] : "contact_sheet");
        return 2;
    }
    const double scale = argc > 2 ? std::atof(argv[2]) : 1;
    std::vector<BitmapTableEntry> picked;
    for (const BitmapTableEntry& e : bitmap_entries()) {
        bool wanted = argc <= 3;
        for (int i = 3; i < argc; ++i) wanted = wanted || std::strtol(argv[i], nullptr, 16) == e.id;
        if (wanted) picked.push_back(e);
    }
    if (!(scale > 0) || picked.empty()) {
        std::fprintf(stderr, "contact_sheet: nothing to draw\n");
        return 2;
    }
    const std::span<const BitmapTableEntry> entries = picked;
    int height                                      = margin;
    for (size_t i = 0; i < entries.size(); i += columns) {
        height += row_height(entries.subspan(i, std::min<size_t>(columns, entries.size() - i)));
    }
    cairo_surface_t* surface = cairo_image_surface_create(
        CAIRO_FORMAT_RGB24, static_cast<int>((columns * cell_w + margin) * scale),
        static_cast<int>(height * scale));
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, scale, scale);
    cairo_set_source_rgb(cr, 0.93, 0.93, 0.91);
    cairo_paint(cr);
    double y = margin;
    for (size_t i = 0; i < entries.size(); i += columns) {
        const auto row = entries.subspan(i, std::min<size_t>(columns, entries.size() - i));
        for (size_t j = 0; j < row.size(); ++j) {
            const BitmapTableEntry& e = row[j];
            const double x            = margin + static_cast<double>(j) * cell_w;
            char head[64];
            std::snprintf(head, sizeof head, "0x%04X  %d x %d, %d-bit", static_cast<unsigned>(e.id),
                          e.width, e.height, e.bits_per_pixel);
            label(cr, x, y + 12, head, true);
            std::string role = e.role;
            if (role.size() > 44) role = role.substr(0, 43) + "\u2026";
            label(cr, x, y + 26, role, false);
            draw_bitmap(cr, e, x, y + label_h);
        }
        y += row_height(row);
    }
    cairo_destroy(cr);
    const cairo_status_t status = cairo_surface_write_to_png(surface, argv[1]);
    cairo_surface_destroy(surface);
    cairo_debug_reset_static_data();
    FcFini();
    if (status != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "contact_sheet: %s\n", cairo_status_to_string(status));
        return 1;
    }
    return 0;
}

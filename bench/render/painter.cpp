// Cairo drawing of gauge elements by the host's rules, and the panel arrangement.
#include "bench/render/painter.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <map>
#include <numbers>
#include <utility>
#include <vector>

#include "host/panel_interface.h"
#include "hostmodel/host_model.h"
#include "resources/art.h"
#include "resources/bitmap_table.h"

namespace bench::render {
namespace {

constexpr const char* monospace_face = "DejaVu Sans Mono";

struct ContextRelease {
    void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};
using Context = std::unique_ptr<cairo_t, ContextRelease>;

Picture new_picture(int width_px, int height_px) {
    return Picture(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width_px, height_px));
}

// Text drawn the same way on every run, in the monospace face.
void fix_text_options(cairo_t* cr) {
    art::steady_text(cr);
    cairo_select_font_face(cr, monospace_face, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
}

// ------------------------------------------------------------------ bitmaps

// Bitmaps drawn so far, by id and transparency, until release_caches().
std::map<std::pair<int32_t, bool>, Picture> bitmap_cache;

// The module's bitmap `id` as the generator draws it, black made transparent
// when `black_transparent`; nullptr when the module has no such bitmap.
cairo_surface_t* bitmap(int32_t id, bool black_transparent) {
    const auto key = std::make_pair(id, black_transparent);
    if (const auto found = bitmap_cache.find(key); found != bitmap_cache.end())
        return found->second.get();
    const BitmapTableEntry* entry = find_bitmap(id);
    if (entry == nullptr) return nullptr;

    const Canvas canvas = ::render(*entry);  // the generator's drawing
    Picture picture     = new_picture(canvas.width(), canvas.height());
    cairo_surface_flush(picture.get());
    unsigned char* data = cairo_image_surface_get_data(picture.get());
    const int stride    = cairo_image_surface_get_stride(picture.get());
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const Rgb c = canvas.at(x, y);
            // ARGB32 is premultiplied: a transparent pixel is all zero.
            const uint32_t argb =
                black_transparent && c == black
                    ? 0u
                    : 0xFF000000u | uint32_t{c.r} << 16 | uint32_t{c.g} << 8 | c.b;
            std::memcpy(data + static_cast<size_t>(y) * stride + 4 * static_cast<size_t>(x), &argb,
                        4);
        }
    }
    cairo_surface_mark_dirty(picture.get());
    return bitmap_cache.emplace(key, std::move(picture)).first->second.get();
}

int width_of(cairo_surface_t* s) {
    return cairo_image_surface_get_width(s);
}
int height_of(cairo_surface_t* s) {
    return cairo_image_surface_get_height(s);
}

// The flags the host drew the element with: the snapshot's, where it has them.
uint32_t image_flags(const host::ElementHeader& e, const ElementState& state) {
    return state.image_flags.value_or(e.image_flags);
}

bool transparent(const host::ElementHeader& e, const ElementState& state) {
    return (image_flags(e, state) & host::image_flag::transparent) != 0;
}

// Sets `image` as the source at (x, y), filtered as the element's flags ask.
void set_image(cairo_t* cr, const host::ElementHeader& e, const ElementState& state,
               cairo_surface_t* image, double x, double y) {
    cairo_set_source_surface(cr, image, x, y);
    const bool bilinear = (image_flags(e, state) & host::image_flag::bilinear) != 0;
    cairo_pattern_set_filter(cairo_get_source(cr),
                             bilinear ? CAIRO_FILTER_BILINEAR : CAIRO_FILTER_NEAREST);
}

double finite_or_zero(const std::optional<double>& v) {
    return v.has_value() && std::isfinite(*v) ? *v : 0.0;
}

// ----------------------------------------------------------- element rules

// The element's bitmap at its position.
void paint_static_image(cairo_t* cr, const host::ElementHeader& e, const ElementState& state) {
    cairo_surface_t* image = bitmap(e.bitmap_id, transparent(e, state));
    if (image == nullptr) return;
    set_image(cr, e, state, image, e.position.x, e.position.y);
    cairo_paint(cr);
}

// The needle bitmap turned about its pivot (the element's offset), the pivot
// placed on the element's position. At 0 degrees the bitmap is drawn as stored.
void paint_needle(cairo_t* cr, const host::ElementHeader& e, const ElementState& state) {
    cairo_surface_t* image = bitmap(e.bitmap_id, transparent(e, state));
    if (image == nullptr) return;
    const double angle_deg = finite_or_zero(state.position);
    cairo_save(cr);
    cairo_translate(cr, e.position.x, e.position.y);
    cairo_rotate(cr, angle_deg * std::numbers::pi / 180);  // clockwise on screen, y down
    set_image(cr, e, state, image, -e.offset.x, -e.offset.y);
    cairo_paint(cr);
    cairo_restore(cr);
}

// Image `index` of the icon's row: the bitmap whose id is the element's plus the index.
void paint_icon(cairo_t* cr, const host::ElementHeader& e, const ElementState& state) {
    const double index = finite_or_zero(state.position);
    if (index < 0 || index > 0xFFFF) return;
    cairo_surface_t* image =
        bitmap(e.bitmap_id + static_cast<int32_t>(index), transparent(e, state));
    if (image == nullptr) return;
    set_image(cr, e, state, image, e.position.x, e.position.y);
    cairo_paint(cr);
}

// A counter drum: the strip (the element's bitmap) seen through the window
// (the bitmap whose id follows), both at the element's position. At fraction 0
// the strip's top lines up with the window's top, at 1 its bottom with the
// window's bottom. The window's black is always transparent.
void paint_moving_image(cairo_t* cr, const host::ElementHeader& e, const ElementState& state) {
    cairo_surface_t* strip  = bitmap(e.bitmap_id, transparent(e, state));
    cairo_surface_t* window = bitmap(e.bitmap_id + 1, true);
    if (strip == nullptr || window == nullptr) return;
    const double fraction  = std::clamp(finite_or_zero(state.position), 0.0, 1.0);
    const double travel_px = height_of(strip) - height_of(window);
    cairo_save(cr);
    cairo_rectangle(cr, e.position.x, e.position.y, width_of(window), height_of(window));
    cairo_clip(cr);
    set_image(cr, e, state, strip, e.position.x, e.position.y - fraction * travel_px);
    cairo_paint(cr);
    cairo_restore(cr);
    set_image(cr, e, state, window, e.position.x, e.position.y);
    cairo_paint(cr);
}

// The text in the element's box, in the foreground colour (0x00BBGGRR), at
// the record's font size, clipped to the box.
void paint_string(cairo_t* cr, const host::ElementHeader& e, const ElementState& state) {
    if (!state.text.has_value() || state.text->empty()) return;
    const auto& record    = reinterpret_cast<const host::String&>(e);
    const uint32_t colour = record.foreground;
    cairo_save(cr);
    cairo_rectangle(cr, e.position.x, e.position.y, record.box.width, record.box.height);
    cairo_clip(cr);
    cairo_set_source_rgb(cr, (colour & 0xFF) / 255.0, (colour >> 8 & 0xFF) / 255.0,
                         (colour >> 16 & 0xFF) / 255.0);
    cairo_set_font_size(cr, record.font_size);
    cairo_font_extents_t extents;
    cairo_font_extents(cr, &extents);
    cairo_move_to(cr, e.position.x, e.position.y + extents.ascent);
    cairo_show_text(cr, state.text->c_str());
    cairo_restore(cr);
}

struct ElementRule {
    const char* kind;  // as the trace names it
    uint32_t type;     // as the record gives it
    void (*paint)(cairo_t* cr, const host::ElementHeader& element, const ElementState& state);
};

// clang-format off
constexpr ElementRule element_rules[] = {
    {.kind = "static_image", .type = host::element_type::static_image, .paint = paint_static_image},
    {.kind = "needle",       .type = host::element_type::needle,       .paint = paint_needle},
    {.kind = "string",       .type = host::element_type::string,       .paint = paint_string},
    {.kind = "icon",         .type = host::element_type::icon,         .paint = paint_icon},
    {.kind = "moving_image", .type = host::element_type::moving_image, .paint = paint_moving_image},
};
// clang-format on

constexpr bool one_rule_per_type() {
    for (size_t i = 0; i < std::size(element_rules); ++i) {
        for (size_t j = i + 1; j < std::size(element_rules); ++j) {
            if (element_rules[i].type == element_rules[j].type) return false;
        }
    }
    return std::size(element_rules) == 5;
}
static_assert(one_rule_per_type(), "each of the module's five element types drawn by one rule");

const ElementRule* rule_for(uint32_t type) {
    for (const ElementRule& rule : element_rules) {
        if (rule.type == type) return &rule;
    }
    return nullptr;
}

std::vector<const host::ElementHeader*> chain_of(const host::GaugeHeader& gauge) {
    std::vector<const host::ElementHeader*> chain;
    const host::ElementHeader* e = gauge.elements != nullptr ? gauge.elements[0] : nullptr;
    while (e != nullptr) {
        chain.push_back(e);
        e = e->next != nullptr ? e->next[0] : nullptr;
    }
    return chain;
}

int linkage_index(std::string_view name) {
    const host::LinkageRecord& linkage = hostmodel::Host::instance().linkage();
    for (int i = 0; linkage.gauges[i] != nullptr; ++i) {
        if (linkage.gauges[i]->name != nullptr && name == linkage.gauges[i]->name) return i;
    }
    return -1;
}

}  // namespace

Picture paint_gauge(std::string_view name, std::span<const ElementState> elements) {
    const std::string gauge_name(name);
    const int index = linkage_index(name);
    if (index < 0) throw BadRun(gauge_name + ": no such gauge in the module");
    const host::GaugeHeader& gauge = *hostmodel::Host::instance().linkage().gauges[index];
    const std::vector<const host::ElementHeader*> chain = chain_of(gauge);
    if (chain.size() != elements.size()) {
        throw BadRun(gauge_name + ": the trace gives " + std::to_string(elements.size()) +
                     " elements, the gauge's chain has " + std::to_string(chain.size()));
    }
    cairo_surface_t* root = bitmap(chain[0]->bitmap_id, false);
    if (root == nullptr) throw BadRun(gauge_name + ": the root bitmap is not in the module");

    Picture picture = new_picture(width_of(root), height_of(root));
    Context cr(cairo_create(picture.get()));
    fix_text_options(cr.get());
    for (size_t i = 0; i < chain.size(); ++i) {
        const ElementRule* rule = rule_for(chain[i]->type);
        if (rule == nullptr || elements[i].kind != rule->kind) {
            throw BadRun(gauge_name + " element " + std::to_string(i) + ": the trace says \"" +
                         elements[i].kind + "\", the record is of type " +
                         std::to_string(chain[i]->type));
        }
        if (!elements[i].hidden) rule->paint(cr.get(), *chain[i], elements[i]);
    }
    cairo_surface_flush(picture.get());
    return picture;
}

Picture paint_panel(std::span<const PlacedPicture> gauges) {
    using namespace panel_layout;
    std::vector<const PlacedPicture*> order;
    for (const PlacedPicture& g : gauges) order.push_back(&g);
    std::stable_sort(order.begin(), order.end(),
                     [](const PlacedPicture* a, const PlacedPicture* b) {
                         return linkage_index(a->name) < linkage_index(b->name);
                     });

    // Label widths need a context with the label font.
    Picture scratch = new_picture(1, 1);
    Context measure(cairo_create(scratch.get()));
    fix_text_options(measure.get());
    cairo_set_font_size(measure.get(), label_size_px);

    struct Slot {
        const PlacedPicture* gauge;
        int x_px, y_px;
    };
    std::vector<Slot> slots;
    int x = 0, y = 0, row_height = 0, widest = 0;
    for (const PlacedPicture* g : order) {
        cairo_text_extents_t label;
        cairo_text_extents(measure.get(), g->name.c_str(), &label);
        const int w =
            std::max(width_of(g->picture.get()), static_cast<int>(std::ceil(label.x_advance)));
        const int h = height_of(g->picture.get()) + label_band_px;
        if (x > 0 && x + w > row_width_limit_px) {
            x = 0;
            y += row_height + gap_px;
            row_height = 0;
        }
        slots.push_back({g, x, y});
        x += w + gap_px;
        widest     = std::max(widest, x - gap_px);
        row_height = std::max(row_height, h);
    }
    const int width_px  = std::max(widest, 1) + 2 * margin_px;
    const int height_px = y + row_height + 2 * margin_px;

    Picture panel = new_picture(width_px, height_px);
    Context cr(cairo_create(panel.get()));
    fix_text_options(cr.get());
    cairo_set_source_rgb(cr.get(), 0.19, 0.19, 0.2);
    cairo_paint(cr.get());
    cairo_set_font_size(cr.get(), label_size_px);
    for (const Slot& s : slots) {
        const double gx = margin_px + s.x_px;
        const double gy = margin_px + s.y_px;
        cairo_set_source_surface(cr.get(), s.gauge->picture.get(), gx, gy);
        cairo_paint(cr.get());
        cairo_set_source_rgb(cr.get(), 0.85, 0.85, 0.85);
        cairo_move_to(cr.get(), gx, gy + height_of(s.gauge->picture.get()) + label_band_px - 6);
        cairo_show_text(cr.get(), s.gauge->name.c_str());
    }
    cairo_surface_flush(panel.get());
    return panel;
}

Picture paint_arranged(std::span<const PlacedPicture> gauges, const Arrangement& arrangement) {
    Picture panel = new_picture(arrangement.width_px, arrangement.height_px);
    Context cr(cairo_create(panel.get()));
    cairo_set_source_rgb(cr.get(), 0.19, 0.19, 0.2);
    cairo_paint(cr.get());
    for (const PlacedPicture& g : gauges) {
        const auto at = arrangement.at.find(g.name);
        if (at == arrangement.at.end()) continue;
        cairo_set_source_surface(cr.get(), g.picture.get(), at->second.first, at->second.second);
        cairo_paint(cr.get());
    }
    cairo_surface_flush(panel.get());
    return panel;
}

std::string png_bytes(cairo_surface_t* picture) {
    std::string bytes;
    const auto append = [](void* closure, const unsigned char* data, unsigned int length) {
        static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
        return CAIRO_STATUS_SUCCESS;
    };
    const cairo_status_t status = cairo_surface_write_to_png_stream(picture, append, &bytes);
    if (status != CAIRO_STATUS_SUCCESS) {
        throw BadRun(std::string("a picture cannot be encoded (") + cairo_status_to_string(status) +
                     ")");
    }
    return bytes;
}

void release_caches() {
    bitmap_cache.clear();
    cairo_debug_reset_static_data();
    FcFini();
}

void write_png(cairo_surface_t* picture, const std::string& path) {
    const cairo_status_t status = cairo_surface_write_to_png(picture, path.c_str());
    if (status != CAIRO_STATUS_SUCCESS) {
        throw BadRun(path + ": cannot be written (" + cairo_status_to_string(status) + ")");
    }
}

}  // namespace bench::render

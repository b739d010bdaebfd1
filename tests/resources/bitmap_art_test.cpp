// The artwork against what the gauges make of it: marks where the host turns
// each needle, needles drawn about their elements' pivots, drum digits where
// the drum ranges put them, and no pure black in anything meant to be seen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "host/panel_interface.h"
#include "hostmodel/host_model.h"
#include "hostmodel/needle_geometry.h"
#include "resources/bitmap_ids.h"
#include "resources/bitmap_table.h"
#include "resources/bmp_writer.h"
#include "tests/support/host_test.h"

namespace {

constexpr double deg = std::numbers::pi / 180;

struct Placed {
    std::string gauge;
    const host::ElementHeader* element;
};

// Every element of every gauge in Linkage, placed and drawn once.
class BitmapArt : public host_test::HostTest {
  protected:
    std::vector<Placed> elements() {
        std::vector<Placed> found;
        std::vector<std::string> names;
        for (host::GaugeHeader* const* g = host.linkage().gauges; *g != nullptr; ++g) {
            names.emplace_back(host_test::field((*g)->name));
            host.place((*g)->name);
        }
        host.frame();
        for (const std::string& name : names) {
            for (int n = 0;; ++n) {
                const host::ElementHeader* e = host.element(name, n);
                found.push_back({name, e});
                if (e->next == nullptr || e->next[0] == nullptr) break;
            }
        }
        return found;
    }
};

// How far a pixel stands out from the dark paint: marks are white or red.
double brightness(Rgb c) {
    return std::max(0, std::max({c.r, c.g, c.b}) - 120);
}

// The pixels as the module ships them: the BMP decoded, palette and all.
Canvas shipped(const BitmapTableEntry& entry) {
    const std::vector<uint8_t> bmp = encode_bmp(entry);
    const auto u32                 = [&](size_t at) {
        return uint32_t{bmp[at]} | uint32_t{bmp[at + 1]} << 8 | uint32_t{bmp[at + 2]} << 16 |
               uint32_t{bmp[at + 3]} << 24;
    };
    const uint32_t offset = u32(10);
    const uint32_t stride = bmp::row_stride(entry.width, entry.bits_per_pixel);
    Canvas canvas(entry.width, entry.height);
    for (int y = 0; y < entry.height; ++y) {
        const size_t row = offset + static_cast<size_t>(entry.height - 1 - y) * stride;
        for (int x = 0; x < entry.width; ++x) {
            if (entry.bits_per_pixel == 8) {
                const size_t p = 54 + 4 * size_t{bmp[row + x]};
                canvas.set(x, y, {bmp[p + 2], bmp[p + 1], bmp[p]});
            } else {
                const size_t p = row + 3 * static_cast<size_t>(x);
                canvas.set(x, y, {bmp[p + 2], bmp[p + 1], bmp[p]});
            }
        }
    }
    return canvas;
}

// ------------------------------------------------------------- dial marks

// The angle of the mark nearest `angle_deg` on the circle of `radius_px`
// about `centre`: the brightness-weighted mean over 3 degrees either side.
// NaN when nothing there stands out.
double mark_near(const Canvas& dial, double cx, double cy, double radius_px, double angle_deg) {
    double weight = 0, sum = 0;
    for (double a = angle_deg - 3; a <= angle_deg + 3; a += 0.05) {
        const int x = static_cast<int>(std::floor(cx + radius_px * std::cos(a * deg)));
        const int y = static_cast<int>(std::floor(cy + radius_px * std::sin(a * deg)));
        if (x < 0 || y < 0 || x >= dial.width() || y >= dial.height()) continue;
        const double w = brightness(dial.at(x, y));
        weight += w;
        sum += w * a;
    }
    return weight < 100 ? std::nan("") : sum / weight;
}

TEST_F(BitmapArt, EveryTableRowHasItsMarkWhereTheHostTurnsTheNeedle) {
    const std::vector<Placed> all = elements();
    for (const DialScale& scale : dial_scales()) {
        // A needle on this dial's pivot that turns by the table the scale was
        // painted from, as the module's own records hold it. (The N2 gauges
        // share the N1 dial but not its 20 percent row: their pointer stands
        // about 9 degrees short of the 20 mark, which one shared dial cannot mend.)
        const host::Needle* needle = nullptr;
        for (const Placed& p : all) {
            const host::ElementHeader* e = p.element;
            if (e->type != host::element_type::needle || e->position.x != scale.needle_position.x ||
                e->position.y != scale.needle_position.y)
                continue;
            const auto* n = reinterpret_cast<const host::Needle*>(e);
            if (n->row_count == scale.rows.size() &&
                std::equal(scale.rows.begin(), scale.rows.end(), n->table,
                           [](const host::NeedleRow& a, const host::NeedleRow& b) {
                               return a.value == b.value && a.point.x == b.point.x &&
                                      a.point.y == b.point.y;
                           })) {
                needle = n;
            }
        }
        SCOPED_TRACE(testing::Message() << "dial 0x" << std::hex << scale.dial_id);
        ASSERT_NE(needle, nullptr) << "no needle of the module turns by this scale's table";
        const std::span<const host::NeedleRow> rows(needle->table, needle->row_count);
        const Canvas dial = render(*find_bitmap(scale.dial_id));
        int checked       = 0;
        for (const host::NeedleRow& row : rows) {
            if (row.value < scale.first_marked || row.value > scale.last_marked) continue;
            const double host_deg =
                hostmodel::needle::target_angle(scale.needle_position, rows, row.value, 0);
            const double mark_deg =
                mark_near(dial, scale.needle_position.x + 0.5, scale.needle_position.y + 0.5,
                          scale.mark_radius_px, host_deg);
            EXPECT_LE(std::fabs(mark_deg - host_deg), 1.0)
                << "the mark for " << row.value << " is at " << mark_deg << " degrees, the host "
                << "turns the needle to " << host_deg;
            ++checked;
        }
        EXPECT_GE(checked, 2) << "too few rows lie on the marked part of the scale";
    }
}

TEST_F(BitmapArt, AMisplacedMarkIsFound) {
    // The search itself: 3 degrees off any vertical speed mark lies only face.
    const DialScale& vsi = dial_scales()[0];
    ASSERT_EQ(vsi.dial_id, bitmap::vsi_dial);
    const Canvas dial  = render(*find_bitmap(vsi.dial_id));
    const double zero  = hostmodel::needle::target_angle(vsi.needle_position, vsi.rows, 0, 0);
    const double found = mark_near(dial, vsi.needle_position.x + 0.5, vsi.needle_position.y + 0.5,
                                   vsi.mark_radius_px, zero + 2.5);
    EXPECT_GT(std::fabs(found - (zero + 2.5)), 1.0) << "a mark 2.5 degrees off passes";
}

TEST(BitmapArtFace, AirspeedFaceOpensOntoTheMachRingAlongTheHighSpeedArcOnly) {
    const DialScale& aspd = dial_scales()[1];
    ASSERT_EQ(aspd.dial_id, bitmap::aspd_face);
    const Canvas face               = render(*find_bitmap(aspd.dial_id));
    constexpr double ring_radius_px = 48;  // mid-way across the Mach ring's marks
    for (int kt = 70; kt <= 390; kt += 10) {
        const double a = hostmodel::needle::target_angle(aspd.needle_position, aspd.rows, kt, 0);
        const Rgb c    = face.at(
               static_cast<int>(aspd.needle_position.x + 0.5 + ring_radius_px * std::cos(a * deg)),
               static_cast<int>(aspd.needle_position.y + 0.5 + ring_radius_px * std::sin(a * deg)));
        EXPECT_EQ(c == black, kt > 250) << kt << " kt: the window runs from 250 to 400 kt";
    }
}

// ---------------------------------------------------------------- needles

TEST_F(BitmapArt, EveryNeedleIsDrawnAboutItsElementsPivot) {
    int needles = 0;
    for (const Placed& p : elements()) {
        const host::ElementHeader* e = p.element;
        if (e->type != host::element_type::needle) continue;
        ++needles;
        SCOPED_TRACE(testing::Message() << p.gauge << " bitmap 0x" << std::hex << e->bitmap_id);
        const BitmapTableEntry& entry = *find_bitmap(e->bitmap_id);
        ASSERT_EQ(entry.pivot.x, e->offset.x) << "the table's pivot is not the element's";
        ASSERT_EQ(entry.pivot.y, e->offset.y) << "the table's pivot is not the element's";
        const Canvas art = render(entry);
        int top = art.height(), bottom = -1, left = art.width(), right = -1;
        for (int y = 0; y < art.height(); ++y) {
            for (int x = 0; x < art.width(); ++x) {
                if (art.at(x, y) == black) continue;
                top = std::min(top, y), bottom = std::max(bottom, y);
                left = std::min(left, x), right = std::max(right, x);
            }
        }
        ASSERT_GE(bottom, 0) << "nothing is drawn";
        EXPECT_NEAR((top + bottom + 1) / 2.0, e->offset.y + 0.5, 0.5)
            << "the needle is not drawn symmetrically about the pivot's row";
        if (e->offset.x > 0 && entry.visible.shape == VisibleArt::Shape::axis) {
            EXPECT_NE(art.at(e->offset.x, e->offset.y), black) << "nothing at the pivot";
        }
        if (std::abs(2 * e->offset.x + 1 - art.width()) <= 1) {  // turns about its middle
            EXPECT_NEAR((left + right + 1) / 2.0, e->offset.x + 0.5, 0.5)
                << "a round part is not centred on the pivot";
        }
    }
    EXPECT_GE(needles, 10);
}

// ------------------------------------------------------------------ drums

struct StripCase {
    int32_t strip;
    int cells;
    int first_digit_cell;
    const char* reason;
};

// clang-format off
const StripCase strip_cases[] = {
    {bitmap::epr_hundredths_strip, 11, 0, "0, 9, ..., 1, 0: the drum rolls on from 9 to 0"},
    {bitmap::epr_tenths_strip,     11, 0, "as the hundredths"},
    {bitmap::epr_ones_strip,       11, 0, "the same strip, spanned by the range 9 to 0"},
    {bitmap::alerter_digit_strip,  10, 0, "0 to 9"},
    {bitmap::alerter_lead_strip,   10, 1, "its top cell hatched: no leading zero shows"},
};
// clang-format on

TEST(BitmapArtDrum, EachDigitIsCentredWhereTheDrumRangePutsItsCellInTheWindow) {
    for (const StripCase& c : strip_cases) {
        SCOPED_TRACE(testing::Message() << "strip 0x" << std::hex << c.strip << ": " << c.reason);
        const Canvas strip     = render(*find_bitmap(c.strip));
        const int window_px    = find_bitmap(c.strip + 1)->height;
        const double travel_px = strip.height() - window_px;
        // Runs of rows holding white ink, one per digit, and each run's ink columns.
        struct Run {
            int top, bottom, left, right;
        };
        std::vector<Run> runs;
        for (int y = 0; y < strip.height(); ++y) {
            for (int x = 0; x < strip.width(); ++x) {
                if (brightness(strip.at(x, y)) <= 80) continue;
                if (runs.empty() || runs.back().bottom < y - 1) runs.push_back({y, y, x, x});
                Run& run   = runs.back();
                run.bottom = y;
                run.left   = std::min(run.left, x);
                run.right  = std::max(run.right, x);
            }
        }
        ASSERT_EQ(static_cast<int>(runs.size()), c.cells - c.first_digit_cell);
        for (size_t i = 0; i < runs.size(); ++i) {
            const int cell        = c.first_digit_cell + static_cast<int>(i);
            const double shown_at = travel_px * cell / (c.cells - 1) + window_px / 2.0;
            const double centre   = (runs[i].top + runs[i].bottom + 1) / 2.0;
            EXPECT_NEAR(centre, shown_at, 1.5) << "cell " << cell;
            EXPECT_NEAR((runs[i].left + runs[i].right + 1) / 2.0, strip.width() / 2.0, 1.0)
                << "cell " << cell << " is not centred across the strip";
        }
    }
}

// -------------------------------------------------------- transparency

// Pixels that `visible` says are art, and (true) those it says the host sees through.
void check_visible(const BitmapTableEntry& e, const Canvas& c) {
    using Shape     = VisibleArt::Shape;
    const auto& v   = e.visible;
    const double cx = e.width / 2.0, cy = e.height / 2.0;
    const double outer = std::min(cx, cy) - v.inset_px;
    int wrong          = 0;
    for (int y = 0; y < e.height; ++y) {
        for (int x = 0; x < e.width; ++x) {
            const double r  = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
            const bool edge = x == 0 || y == 0 || x == e.width - 1 || y == e.height - 1;
            bool art = false, through = false;
            switch (v.shape) {
                case Shape::nothing:
                    through = true;
                    break;
                case Shape::everything:
                    art = true;
                    break;
                case Shape::disc:  // a square bitmap's corners lie outside its disc
                    art     = r <= outer;
                    through = e.width == e.height && r > cx + 1;
                    break;
                case Shape::ring:
                    art = r <= outer && r >= v.inner_px;
                    break;
                case Shape::frame:
                    art     = edge;
                    through = x == e.width / 2 && y == e.height / 2;
                    break;
                case Shape::axis:
                    art = y == e.pivot.y && x >= v.inner_px && x <= e.width - 1 - v.inset_px;
                    break;
                case Shape::unchecked:
                    break;
            }
            if ((art && c.at(x, y) == black) || (through && c.at(x, y) != black)) {
                if (++wrong <= 3) {
                    ADD_FAILURE() << "pixel (" << x << ", " << y << ") is "
                                  << (art ? "black inside the art"
                                          : "painted where the host sees through");
                }
            }
        }
    }
    EXPECT_EQ(wrong, 0) << "pixels black inside the art or painted where the host sees through";
}

TEST(BitmapArtFace, VisibleArtIsNeverPureBlackAndSeeThroughIsOnlyBlack) {
    for (const BitmapTableEntry& e : bitmap_entries()) {
        SCOPED_TRACE(testing::Message() << "bitmap 0x" << std::hex << e.id << " " << e.role);
        check_visible(e, shipped(e));
    }
}

TEST(BitmapArtFace, EightBitPalettesKeepBlackForTheHostAlone) {
    for (const BitmapTableEntry& e : bitmap_entries()) {
        if (e.bits_per_pixel != 8) continue;
        SCOPED_TRACE(testing::Message() << "bitmap 0x" << std::hex << e.id);
        const std::vector<uint8_t> bmp = encode_bmp(e);
        for (size_t i = 1; i < 256; ++i) {
            const size_t p  = 54 + 4 * i;
            const bool used = std::find(bmp.begin() + 54 + 1024, bmp.end(), i) != bmp.end();
            if (used) {
                EXPECT_FALSE(bmp[p] == 0 && bmp[p + 1] == 0 && bmp[p + 2] == 0) << "entry " << i;
            }
        }
    }
}

}  // namespace

// The renderer on crafted runs: needles turn the right way about their pivot,
// hidden elements stay undrawn, drums show the right part of their strip, and
// the same trace always gives the same bytes.
#include <cairo.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <numbers>
#include <string>
#include <vector>

#include "bench/render/painter.h"
#include "bench/render/render_run.h"
#include "bench/render/trace_reader.h"
#include "host/panel_interface.h"
#include "hostmodel/host_model.h"
#include "resources/bitmap_table.h"

namespace {

namespace fs = std::filesystem;
using json   = nlohmann::json;
using bench::render::Picture;

std::vector<const host::ElementHeader*> chain(std::string_view gauge) {
    std::vector<const host::ElementHeader*> out;
    for (const host::ElementHeader* e = hostmodel::Host::instance().element(gauge, 0); e != nullptr;
         e                            = e->next != nullptr ? e->next[0] : nullptr) {
        out.push_back(e);
    }
    return out;
}

const char* kind_of(uint32_t type) {
    switch (type) {
        case host::element_type::needle:
            return "needle";
        case host::element_type::string:
            return "string";
        case host::element_type::icon:
            return "icon";
        case host::element_type::moving_image:
            return "moving_image";
        default:
            return "static_image";
    }
}

// The gauge's elements as a snapshot line lists them, each at rest and shown.
json resting(std::string_view gauge) {
    json rows = json::array();
    for (const host::ElementHeader* e : chain(gauge)) {
        const bool is_static = e->type == host::element_type::static_image;
        const bool is_string = e->type == host::element_type::string;
        rows.push_back({kind_of(e->type), is_static ? json() : json(0.0),
                        is_static || is_string ? json() : json(0.0), false,
                        is_string ? json("0") : json()});
    }
    return rows;
}

// A run folder with one snapshot per entry of `snapshots` (label -> gauges).
fs::path write_run(const fs::path& dir,
                   const std::vector<std::pair<std::string, json>>& snapshots) {
    fs::remove_all(dir);
    fs::create_directories(dir);
    json listed = json::array();
    std::ofstream trace(dir / "trace.jsonl");
    int frame = 0;
    for (const auto& [label, gauges] : snapshots) {
        trace << json{{"frame", frame},
                      {"t", frame / 18.0},
                      {"events", json::array()},
                      {"tokens", json::object()}}
                     .dump()
              << "\n";
        trace << json{{"frame", frame},
                      {"t", frame / 18.0},
                      {"snapshot", label},
                      {"gauges", gauges}}
                     .dump()
              << "\n";
        listed.push_back({{"label", label},
                          {"frame", frame},
                          {"t", frame / 18.0},
                          {"file", "panel-" + bench::render::slug(label) + ".png"}});
        ++frame;
    }
    const json run = {{"name", "crafted"},  {"scenario", "crafted.json"},
                      {"frame_rate", 18},   {"duration_s", frame / 18.0},
                      {"frames", frame},    {"panel", json::array()},
                      {"runner", "native"}, {"module", nullptr},
                      {"snapshots", listed}};
    std::ofstream(dir / "run.json") << run.dump(2) << "\n";
    return dir;
}

Picture read_png(const fs::path& path) {
    Picture p(cairo_image_surface_create_from_png(path.c_str()));
    EXPECT_EQ(cairo_surface_status(p.get()), CAIRO_STATUS_SUCCESS) << path;
    return p;
}

struct Pixel {
    int a, r, g, b;
};
Pixel pixel(const Picture& p, int x, int y) {
    const unsigned char* row = cairo_image_surface_get_data(p.get()) +
                               static_cast<size_t>(y) * cairo_image_surface_get_stride(p.get());
    uint32_t argb;
    std::memcpy(&argb, row + 4 * x, 4);
    return {int(argb >> 24), int(argb >> 16 & 0xFF), int(argb >> 8 & 0xFF), int(argb & 0xFF)};
}
bool near(Pixel p, Rgb c, int tolerance) {
    return p.a == 255 && std::abs(p.r - c.r) <= tolerance && std::abs(p.g - c.g) <= tolerance &&
           std::abs(p.b - c.b) <= tolerance;
}
// What an element's bitmap pixel becomes once drawn: black is see-through.
bool shows(Pixel p, Rgb c) {
    return c == black ? p.a == 0 : near(p, c, 0);
}

fs::path scratch(const char* name) {
    return fs::temp_directory_path() / ("mertq4-render-test-" + std::to_string(getpid())) / name;
}

// ------------------------------------------------------------------ needles

TEST(Needle, TipLandsWhereTheAngleSays) {
    const host::ElementHeader& pointer = *chain("MERTQ4VSI")[1];
    const Canvas art                   = render(*find_bitmap(pointer.bitmap_id));
    const Rgb bar                      = art.at(art.width() - 2, pointer.offset.y);
    struct Row {
        double angle_deg;
        const char* reason;
    };
    // Angles clear of the dial's tick marks, which share the pointer's colour.
    const Row rows[] = {
        {15, "a little clockwise of +x: tip right of the pivot and below it"},
        {105, "clockwise past straight down: tip below and left of the pivot"},
        {-75, "counterclockwise of +x: tip above the pivot"},
        {-165, "nearly half a turn: tip left of the pivot and above it"},
    };
    std::vector<std::pair<std::string, json>> snapshots;
    for (const Row& row : rows) {
        json gauges               = {{"MERTQ4VSI", resting("MERTQ4VSI")}};
        gauges["MERTQ4VSI"][1][2] = row.angle_deg;
        snapshots.emplace_back("angle " + std::to_string(static_cast<int>(row.angle_deg)), gauges);
    }
    const fs::path dir = write_run(scratch("needle"), snapshots);
    bench::render::render_run(dir);

    for (size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].reason);
        const Picture picture =
            read_png(dir / bench::render::slug(snapshots[i].first) / "MERTQ4VSI.png");
        const double a = rows[i].angle_deg * std::numbers::pi / 180;
        // A point `reach` pixels from the pivot along the pointer's axis.
        const auto along = [&](double reach) {
            return std::pair{
                static_cast<int>(std::floor(pointer.position.x + reach * std::cos(a))),
                static_cast<int>(std::floor(pointer.position.y + reach * std::sin(a)))};
        };
        const double tip_reach = art.width() - 2.0 - pointer.offset.x;
        const auto [tx, ty]    = along(tip_reach);
        const auto [bx, by]    = along(tip_reach + 6);
        const Pixel tip        = pixel(picture, tx, ty);
        const Pixel beyond     = pixel(picture, bx, by);
        EXPECT_TRUE(near(tip, bar, 60)) << "tip pixel (" << tx << ", " << ty << ") is " << tip.r
                                        << "," << tip.g << "," << tip.b;
        EXPECT_FALSE(near(beyond, bar, 60))
            << "the pointer runs past its tip at (" << bx << ", " << by << ")";
    }
}

// ------------------------------------------------------------------- hidden

TEST(Hidden, AHiddenPointerLeavesTheDialAsItIs) {
    json gauges               = {{"MERTQ4VSI", resting("MERTQ4VSI")}};
    gauges["MERTQ4VSI"][1][2] = 40.0;
    gauges["MERTQ4VSI"][1][3] = true;
    const fs::path dir        = write_run(scratch("hidden"), {{"hidden", gauges}});
    bench::render::render_run(dir);

    const Picture picture = read_png(dir / "hidden" / "MERTQ4VSI.png");
    const Canvas dial     = render(*find_bitmap(chain("MERTQ4VSI")[0]->bitmap_id));
    int differing         = 0;
    for (int y = 0; y < dial.height(); ++y) {
        for (int x = 0; x < dial.width(); ++x)
            differing += !shows(pixel(picture, x, y), dial.at(x, y));
    }
    EXPECT_EQ(differing, 0) << "pixels that are not the dial's";
}

// -------------------------------------------------------------------- drums

TEST(Drum, TheWindowShowsTheStripsTopCellAtZeroAndItsBottomCellAtOne) {
    const host::ElementHeader* drum = nullptr;
    int drum_index                  = 0;
    for (const host::ElementHeader* e : chain("MERTQ4ALTALRT")) {
        if (e->type == host::element_type::moving_image) break;
        ++drum_index;
    }
    drum                = chain("MERTQ4ALTALRT").at(drum_index);
    const Canvas strip  = render(*find_bitmap(drum->bitmap_id));
    const Canvas window = render(*find_bitmap(drum->bitmap_id + 1));
    const Canvas face   = render(*find_bitmap(chain("MERTQ4ALTALRT")[0]->bitmap_id));

    std::vector<std::pair<std::string, json>> snapshots;
    for (double fraction : {0.0, 1.0}) {
        json gauges                            = {{"MERTQ4ALTALRT", resting("MERTQ4ALTALRT")}};
        gauges["MERTQ4ALTALRT"][drum_index][2] = fraction;
        snapshots.emplace_back(fraction == 0 ? "top" : "bottom", gauges);
    }
    const fs::path dir = write_run(scratch("drum"), snapshots);
    bench::render::render_run(dir);

    for (const auto& [label, shift_px] :
         {std::pair{"top", 0}, std::pair{"bottom", strip.height() - window.height()}}) {
        SCOPED_TRACE(label);
        const Picture picture = read_png(dir / label / "MERTQ4ALTALRT.png");
        int differing         = 0;
        // Inside the window's one-pixel frame, the strip shifted up by shift_px.
        for (int y = 1; y < window.height() - 1; ++y) {
            for (int x = 1; x < std::min(window.width() - 1, strip.width()); ++x) {
                differing += !shows(pixel(picture, drum->position.x + x, drum->position.y + y),
                                    strip.at(x, y + shift_px));
            }
        }
        EXPECT_EQ(differing, 0) << "window pixels that are not the strip's cell";
        // The strip runs far above the window at 1 and below it at 0: none of it shows there.
        for (int x = 0; x < strip.width(); ++x) {
            const int above = drum->position.y - 1;
            const int below = drum->position.y + window.height();
            EXPECT_TRUE(shows(pixel(picture, drum->position.x + x, above),
                              face.at(drum->position.x + x, above)));
            EXPECT_TRUE(shows(pixel(picture, drum->position.x + x, below),
                              face.at(drum->position.x + x, below)));
        }
    }
}

// ---------------------------------------------------- the full panel, twice

// Every gauge of the module, moving parts away from rest, in two snapshots.
fs::path write_sample(const fs::path& dir) {
    json gauges                        = json::object();
    const host::LinkageRecord& linkage = hostmodel::Host::instance().linkage();
    for (int g = 0; linkage.gauges[g] != nullptr; ++g) {
        const std::string name = linkage.gauges[g]->name;
        json rows              = resting(name);
        for (json& row : rows) {
            if (row[0] == "needle") row[2] = 30.0 * g;
            if (row[0] == "moving_image") row[2] = 0.25;
            if (row[0] == "string") row[4] = "152";
        }
        gauges[name] = rows;
    }
    return write_run(dir, {{"all sixteen", gauges}, {"again/later", gauges}});
}

std::string bytes_of(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(Determinism, TheSameTraceGivesTheSameBytes) {
    const fs::path first  = write_sample(scratch("first"));
    const fs::path second = write_sample(scratch("second"));
    const auto written    = bench::render::render_run(first);
    bench::render::render_run(second);
    ASSERT_EQ(written.size(), 2u * 17u) << "sixteen gauges and the panel, per snapshot";
    for (const fs::path& path : written) {
        const fs::path twin = second / fs::relative(path, first);
        EXPECT_EQ(bytes_of(path), bytes_of(twin)) << path;
    }
}

// --------------------------------------------------------------- bad input

TEST(BadInput, AChainThatDoesNotMatchTheModuleIsRefusedAndNothingIsWritten) {
    const json good = {{"MERTQ4VSI", resting("MERTQ4VSI")}};
    json bad        = good;
    bad["MERTQ4VSI"].erase(1);
    const fs::path dir = write_run(scratch("bad"), {{"good", good}, {"bad", bad}});
    EXPECT_THROW(bench::render::render_run(dir), bench::render::BadRun);
    EXPECT_FALSE(fs::exists(dir / "panel-good.png")) << "drawn before the failure, yet kept";
    EXPECT_FALSE(fs::exists(dir / "good" / "MERTQ4VSI.png"))
        << "drawn before the failure, yet kept";
}

TEST(BadInput, TwoLabelsWithTheSameFileNameAreRefusedRatherThanOneLost) {
    const json gauges = {{"MERTQ4VSI", resting("MERTQ4VSI")}};
    const fs::path dir =
        write_run(scratch("clash"), {{"final/short", gauges}, {"final short", gauges}});
    EXPECT_THROW(bench::render::render_run(dir), bench::render::BadRun);
    EXPECT_FALSE(fs::exists(dir / "panel-final-short.png"));
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    bench::render::release_caches();
    std::error_code ignored;
    fs::remove_all(scratch("").parent_path(), ignored);
    return result;
}

// The flags a snapshot carries are the ones drawn: a pointer whose black is no
// longer transparent covers the dial around it with its bitmap's black.
TEST(ImageFlags, TheSnapshotsFlagsAreTheOnesDrawn) {
    const host::ElementHeader& pointer = *chain("MERTQ4VSI")[1];
    ASSERT_NE(pointer.image_flags & host::image_flag::transparent, 0u);
    json as_recorded = {{"MERTQ4VSI", resting("MERTQ4VSI")}};
    json opaque      = as_recorded;
    as_recorded["MERTQ4VSI"][1].push_back(pointer.image_flags);
    opaque["MERTQ4VSI"][1].push_back(pointer.image_flags & ~host::image_flag::transparent);
    const fs::path dir =
        write_run(scratch("flags"), {{"recorded", as_recorded}, {"opaque", opaque}});
    bench::render::render_run(dir);

    const Picture recorded = read_png(dir / "recorded" / "MERTQ4VSI.png");
    const Picture covered  = read_png(dir / "opaque" / "MERTQ4VSI.png");
    int black_added        = 0;
    for (int y = 0; y < cairo_image_surface_get_height(recorded.get()); ++y) {
        for (int x = 0; x < cairo_image_surface_get_width(recorded.get()); ++x) {
            const Pixel before = pixel(recorded, x, y);
            const Pixel after  = pixel(covered, x, y);
            black_added += after.a == 255 && after.r + after.g + after.b == 0 &&
                           before.r + before.g + before.b > 0;
        }
    }
    EXPECT_GT(black_added, 0) << "the opaque pointer drew as the transparent one";
}

// mertq4-render DIR: draws the panel and gauge pictures of a bench run's
// snapshots from DIR/run.json and DIR/trace.jsonl. Exit 0 when done, 2 when
// the run cannot be rendered (the reason on stderr).
//
// mertq4-render --stream: draws panels as they come, for the live panel. The
// first line on stdin arranges the panel: {"width": px, "height": px,
// "at": {"GAUGE": [x, y], ...}}. Each later line is an interactive runner's
// {"draw": frame, "gauges": ...}; for each, stdout gets the line
// "png FRAME LENGTH" and then LENGTH bytes of PNG. A line that cannot be drawn
// gets "error TEXT" instead, and the stream goes on.
#include <exception>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "bench/render/painter.h"
#include "bench/render/render_run.h"
#include "bench/render/trace_reader.h"

namespace {

using bench::render::BadRun;

bench::render::Arrangement arrangement_of(const std::string& line) {
    const auto json = nlohmann::json::parse(line, nullptr, false);
    if (json.is_discarded() || !json.is_object() || !json.contains("width") ||
        !json.contains("height") || !json.contains("at") || !json["at"].is_object()) {
        throw BadRun(R"(the first line must be {"width": px, "height": px, "at": {...}})");
    }
    bench::render::Arrangement arrangement{
        .width_px = json["width"].get<int>(), .height_px = json["height"].get<int>(), .at = {}};
    for (const auto& [name, at] : json["at"].items()) {
        arrangement.at[name] = {at.at(0).get<int>(), at.at(1).get<int>()};
    }
    return arrangement;
}

int stream() {
    std::string line;
    if (!std::getline(std::cin, line)) throw BadRun("no arrangement on the first line");
    const bench::render::Arrangement arrangement = arrangement_of(line);
    while (std::getline(std::cin, line)) {
        try {
            const bench::render::Snapshot drawn = bench::render::panel_line(line, "draw", "draw");
            std::vector<bench::render::PlacedPicture> gauges;
            for (const bench::render::GaugeState& gauge : drawn.gauges) {
                gauges.push_back(
                    {gauge.name, bench::render::paint_gauge(gauge.name, gauge.elements)});
            }
            const std::string png =
                bench::render::png_bytes(bench::render::paint_arranged(gauges, arrangement).get());
            std::cout << "png " << drawn.frame << ' ' << png.size() << '\n' << png << std::flush;
        } catch (const std::exception& e) {
            std::cout << "error " << e.what() << '\n' << std::flush;
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    constexpr int bad_input = 2;
    const bool streaming    = argc == 2 && std::string(argv[1]) == "--stream";
    if (argc != 2) {
        std::cerr << "usage: mertq4-render DIR\n       mertq4-render --stream\n";
        return bad_input;
    }
    int status = bad_input;
    try {
        if (streaming) {
            status = stream();
        } else {
            const auto written = bench::render::render_run(argv[1]);
            std::cout << "mertq4-render: " << written.size() << " pictures in " << argv[1] << "\n";
            status = 0;
        }
    } catch (const BadRun& e) {
        std::cerr << "mertq4-render: " << e.what() << "\n";
    } catch (const std::exception& e) {
        std::cerr << "mertq4-render: " << argv[1] << ": " << e.what() << "\n";
    }
    bench::render::release_caches();
    return status;
}

// mertq4-render DIR: draws the panel and gauge pictures of a bench run's
// snapshots from DIR/run.json and DIR/trace.jsonl. Exit 0 when done, 2 when
// the run cannot be rendered (the reason on stderr).
#include <exception>
#include <iostream>

#include "bench/render/painter.h"
#include "bench/render/render_run.h"
#include "bench/render/trace_reader.h"

int main(int argc, char** argv) {
    constexpr int bad_input = 2;
    if (argc != 2) {
        std::cerr << "usage: mertq4-render DIR\n";
        return bad_input;
    }
    int status = bad_input;
    try {
        const auto written = bench::render::render_run(argv[1]);
        std::cout << "mertq4-render: " << written.size() << " pictures in " << argv[1] << "\n";
        status = 0;
    } catch (const bench::render::BadRun& e) {
        std::cerr << "mertq4-render: " << e.what() << "\n";
    } catch (const std::exception& e) {
        std::cerr << "mertq4-render: " << argv[1] << ": " << e.what() << "\n";
    }
    bench::render::release_caches();
    return status;
}

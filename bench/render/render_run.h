// Turns a bench run's folder into pictures: for each snapshot that run.json
// lists, DIR/panel-<slug>.png (the placed gauges in the default arrangement)
// and DIR/<slug>/<GAUGE>.png for each placed gauge.
#pragma once

#include <filesystem>
#include <vector>

namespace bench::render {

// Writes every picture of the run under temporary names and renames them into
// place only once all are drawn, so a failure leaves no half-written picture.
// Returns the paths written. Throws BadRun when the run cannot be rendered.
std::vector<std::filesystem::path> render_run(const std::filesystem::path& dir);

}  // namespace bench::render

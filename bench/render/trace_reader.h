// Reads what the renderer needs from a bench run's folder: run.json (name and
// snapshot list) and the snapshot lines of trace.jsonl (each placed gauge's
// elements in chain order, with the state the host showed them in).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace bench::render {

// A run folder that cannot be rendered; the message names the file, the line
// or field, and the problem.
class BadRun : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// One element as a snapshot line gives it: [kind, value, position, hidden, text].
struct ElementState {
    std::string kind;             // "static_image", "needle", "string", "icon", "moving_image"
    std::optional<double> value;  // last update callback result; none for static images
    // needle: degrees clockwise from +x; icon: image index; moving image: fraction
    // of its travel; none for static images and strings
    std::optional<double> position;
    bool hidden = false;
    std::optional<std::string> text;      // strings only
    std::optional<uint32_t> image_flags;  // as the host read them; none in older traces
};

struct GaugeState {
    std::string name;
    std::vector<ElementState> elements;  // chain order, root first
};

struct Snapshot {
    std::string label;
    int frame  = 0;
    double t_s = 0;
    std::vector<GaugeState> gauges;  // as the trace lists them
};

struct Run {
    std::string name;
    std::vector<Snapshot> snapshots;  // in run.json's order
};

// Reads DIR/run.json and the snapshot lines of DIR/trace.jsonl; every snapshot
// that run.json lists must have its line in the trace.
Run read_run(const std::filesystem::path& dir);

// The panel of one line that has the form of a snapshot line, with `key`
// ("snapshot", or "draw" for the interactive runner's answers) in place of
// the label. Throws BadRun naming `where`.
Snapshot panel_line(std::string_view text, const char* key, const std::string& where);

// The label with every character other than letters, digits, '-', '_' and '.'
// replaced by '-': the name of a snapshot's pictures.
std::string slug(std::string_view label);

}  // namespace bench::render

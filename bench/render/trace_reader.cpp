// Parsing of run.json and the snapshot lines of trace.jsonl.
#include "bench/render/trace_reader.h"

#include <cmath>
#include <fstream>
#include <limits>
#include <map>
#include <nlohmann/json.hpp>

namespace bench::render {
namespace {

using json = nlohmann::json;

[[noreturn]] void fail(const std::string& where, const std::string& problem) {
    throw BadRun(where + ": " + problem);
}

json parse_file(const std::filesystem::path& path) {
    std::ifstream in(path);
    if (!in) fail(path.string(), "cannot be read");
    try {
        return json::parse(in);
    } catch (const json::parse_error& e) {
        fail(path.string(), e.what());
    }
}

// A number of the trace: a JSON number, or "nan", "inf", "-inf"; null is none.
std::optional<double> number(const json& v, const std::string& where) {
    if (v.is_null()) return std::nullopt;
    if (v.is_number()) return v.get<double>();
    if (v.is_string()) {
        const std::string s = v.get<std::string>();
        if (s == "nan") return std::numeric_limits<double>::quiet_NaN();
        if (s == "inf") return std::numeric_limits<double>::infinity();
        if (s == "-inf") return -std::numeric_limits<double>::infinity();
    }
    fail(where, "not a number: " + v.dump());
}

const json& field(const json& object, const char* key, const std::string& where) {
    if (!object.is_object() || !object.contains(key))
        fail(where, std::string("no \"") + key + "\"");
    return object.at(key);
}

ElementState element_state(const json& row, const std::string& where) {
    // The image flags, sixth, are in every trace this bench writes now; a
    // trace without them draws with the flags of the module's records.
    if (!row.is_array() || (row.size() != 5 && row.size() != 6) || !row[0].is_string() ||
        !row[3].is_boolean() || !(row[4].is_null() || row[4].is_string()) ||
        (row.size() == 6 && !row[5].is_number_unsigned())) {
        fail(where, "not [kind, value, position, hidden, text, image flags]: " + row.dump());
    }
    ElementState state{
        .kind        = row[0].get<std::string>(),
        .value       = number(row[1], where + "[1]"),
        .position    = number(row[2], where + "[2]"),
        .hidden      = row[3].get<bool>(),
        .text        = std::nullopt,
        .image_flags = std::nullopt,
    };
    if (row[4].is_string()) state.text = row[4].get<std::string>();
    if (row.size() == 6) state.image_flags = row[5].get<uint32_t>();
    return state;
}

Snapshot snapshot(const json& line, const std::string& where, const char* key = "snapshot") {
    Snapshot s;
    const json& label = field(line, key, where);
    if (label.is_string()) {
        s.label = label.get<std::string>();
        s.frame = field(line, "frame", where).get<int>();
        s.t_s   = number(field(line, "t", where), where + ".t").value_or(0);
    } else if (label.is_number_integer()) {
        s.frame = label.get<int>();  // a drawn panel: its key holds the frame
    } else {
        fail(where + "." + key, "not a label or a frame");
    }
    const json& gauges = field(line, "gauges", where);
    if (!gauges.is_object()) fail(where + ".gauges", "not an object");
    for (const auto& [name, elements] : gauges.items()) {
        const std::string at = where + ".gauges." + name;
        if (!elements.is_array()) fail(at, "not a list of elements");
        GaugeState gauge{.name = name, .elements = {}};
        for (size_t i = 0; i < elements.size(); ++i) {
            gauge.elements.push_back(
                element_state(elements[i], at + "[" + std::to_string(i) + "]"));
        }
        s.gauges.push_back(std::move(gauge));
    }
    return s;
}

}  // namespace

Snapshot panel_line(std::string_view text, const char* key, const std::string& where) {
    json line;
    try {
        line = json::parse(text);
    } catch (const json::parse_error& e) {
        fail(where, std::string("not JSON: ") + e.what());
    }
    return snapshot(line, where, key);
}

std::string slug(std::string_view label) {
    std::string out(label);
    for (char& c : out) {
        const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
        if (!kept) c = '-';
    }
    return out;
}

Run read_run(const std::filesystem::path& dir) {
    const std::filesystem::path run_path = dir / "run.json";
    const json run_json                  = parse_file(run_path);
    const std::string run_where          = run_path.string();
    Run run;
    try {
        run.name           = field(run_json, "name", run_where).get<std::string>();
        const json& listed = field(run_json, "snapshots", run_where);
        if (!listed.is_array()) fail(run_where + ": snapshots", "not a list");

        // Snapshot lines by label, read from the trace.
        const std::filesystem::path trace_path = dir / "trace.jsonl";
        std::ifstream trace(trace_path);
        if (!trace) fail(trace_path.string(), "cannot be read");
        std::map<std::string, Snapshot> by_label;
        std::string text;
        for (int line_no = 1; std::getline(trace, text); ++line_no) {
            // Frame lines are most of the trace; only snapshot lines are parsed.
            if (text.find("\"snapshot\"") == std::string::npos) continue;
            const std::string where = trace_path.string() + ":" + std::to_string(line_no);
            json line;
            try {
                line = json::parse(text);
            } catch (const json::parse_error& e) {
                fail(where, e.what());
            }
            if (!line.contains("snapshot")) continue;
            Snapshot s;
            try {
                s = snapshot(line, where);
            } catch (const json::exception& e) {
                fail(where, e.what());  // a field of the wrong type
            }
            if (by_label.contains(s.label)) fail(where, "second snapshot \"" + s.label + "\"");
            by_label.emplace(s.label, std::move(s));
        }

        for (size_t i = 0; i < listed.size(); ++i) {
            const std::string where = run_where + ": snapshots[" + std::to_string(i) + "]";
            const std::string label = field(listed[i], "label", where).get<std::string>();
            const auto found        = by_label.find(label);
            if (found == by_label.end()) {
                fail(where, "no snapshot line \"" + label + "\" in trace.jsonl");
            }
            run.snapshots.push_back(found->second);
        }
    } catch (const json::exception& e) {
        fail(run_where, e.what());  // a field of the wrong type
    }
    return run;
}

}  // namespace bench::render

// The bench's trace, DIR/trace.jsonl: one JSON line per frame with the token
// values applied and the events in the order they happened, and one more line
// per snapshot with the drawn state of every placed gauge. Every number is
// written by nlohmann-json (shortest round-trip form, the same on every
// platform); non-finite numbers as the strings "nan", "inf", "-inf".
#pragma once

#include <cstdint>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace bench::trace {

// Objects keep their fields in the order written, as the format lists them.
using Json = nlohmann::ordered_json;

Json number(double value);  // non-finite as "nan", "inf", "-inf"

// A needle angle as the trace gives it, in degrees rounded to 1e-6, so that
// the last bits of the platforms' trigonometry do not show.
double rounded_angle(double degrees);

// -- events
Json play(const std::string& file, const std::string& key, int32_t loop);
Json stop(const std::string& key);
Json terminate();
Json key_event(uint32_t id, uint32_t value);
Json variable_write(const std::string& name, double value);
// A loader call: `name` the module or export asked for (or the freed module's
// name); `result` the canonical module name or null for LoadLibraryA and
// GetModuleHandleA, true/false for GetProcAddress and FreeLibrary; `module`
// the module an export is looked up in (GetProcAddress only).
Json loader(const std::string& call, const std::string& name, Json result,
            const std::optional<std::string>& module = std::nullopt);
Json panel(bool place, const std::string& gauge);
Json click(const std::string& gauge, int x_px, int y_px, bool right_button, bool repeat);

// -- lines
Json frame_line(int frame, double t_s, const std::vector<std::pair<uint32_t, double>>& tokens,
                Json events);

// One drawn element of a snapshot, in chain order.
struct ElementState {
    enum class Kind { static_image, needle, string, icon, moving_image };
    Kind kind;
    std::optional<double> value;     // the last update callback result; none for static images
    std::optional<double> position;  // needle angle, drum fraction, icon image; none otherwise
    bool hidden;
    std::optional<std::string> text;  // strings only
    uint32_t image_flags;             // as the host reads them to draw, the hidden bit among them
};
struct GaugeState {
    std::string name;
    std::vector<ElementState> elements;
};
Json snapshot_line(int frame, double t_s, const std::string& label,
                   const std::vector<GaugeState>& gauges);

// The trace file: one dumped line per call, "\n" ended on every platform.
class Writer {
  public:
    explicit Writer(const std::string& path);
    void write(const Json& line);
    void close();  // throws std::runtime_error where the file could not be written

  private:
    std::string path_;
    std::ofstream out_;
};

// The form every line and file of the bench is written in.
std::string dump(const Json& value, int indent = -1);

}  // namespace bench::trace

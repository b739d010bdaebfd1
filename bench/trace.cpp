// Building the trace's lines and writing them.
#include "bench/trace.h"

#include <array>
#include <cmath>
#include <stdexcept>
#include <string_view>

namespace bench::trace {
namespace {

constexpr double angle_resolution_deg = 1e-6;

// clang-format off
constexpr std::array<std::string_view, 5> kind_names = {
    "static_image",  // ElementState::Kind::static_image
    "needle",        // ElementState::Kind::needle
    "string",        // ElementState::Kind::string
    "icon",          // ElementState::Kind::icon
    "moving_image",  // ElementState::Kind::moving_image
};
// clang-format on
static_assert(static_cast<std::size_t>(ElementState::Kind::moving_image) + 1 == kind_names.size());

Json optional_number(const std::optional<double>& value) {
    return value ? number(*value) : Json(nullptr);
}

}  // namespace

Json number(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    return value;
}

double rounded_angle(double degrees) {
    if (!std::isfinite(degrees)) return degrees;
    return std::round(degrees / angle_resolution_deg) * angle_resolution_deg;
}

Json play(const std::string& file, const std::string& key, int32_t loop) {
    return {{"sound", "play"}, {"file", file}, {"key", key}, {"loop", loop}};
}

Json stop(const std::string& key) {
    return {{"sound", "stop"}, {"key", key}};
}

Json terminate() {
    return {{"sound", "terminate"}};
}

Json key_event(uint32_t id, uint32_t value) {
    return {{"key_event", id}, {"value", value}};
}

Json variable_write(const std::string& name, double value) {
    return {{"var", name}, {"value", number(value)}};
}

Json loader(const std::string& call, const std::string& name, Json result,
            const std::optional<std::string>& module) {
    Json event = {{"loader", call}, {"name", name}};
    if (module) event["module"] = *module;
    event["result"] = std::move(result);
    return event;
}

Json panel(bool place, const std::string& gauge) {
    return {{"panel", place ? "place" : "remove"}, {"gauge", gauge}};
}

Json click(const std::string& gauge, int x_px, int y_px, bool right_button, bool repeat) {
    return {{"click", gauge},
            {"x", x_px},
            {"y", y_px},
            {"button", right_button ? "right" : "left"},
            {"repeat", repeat}};
}

Json frame_line(int frame, double t_s, const std::vector<std::pair<uint32_t, double>>& tokens,
                Json events) {
    Json values = Json::object();
    for (const auto& [id, value] : tokens) values[std::to_string(id)] = number(value);
    return {{"frame", frame},
            {"t", number(t_s)},
            {"tokens", std::move(values)},
            {"events", events.is_null() ? Json::array() : std::move(events)}};
}

Json snapshot_line(int frame, double t_s, const std::string& label,
                   const std::vector<GaugeState>& gauges) {
    Json placed = Json::object();
    for (const GaugeState& gauge : gauges) {
        Json elements = Json::array();
        for (const ElementState& element : gauge.elements) {
            elements.push_back({kind_names[static_cast<std::size_t>(element.kind)],
                                optional_number(element.value), optional_number(element.position),
                                element.hidden, element.text ? Json(*element.text) : Json(nullptr),
                                element.image_flags});
        }
        placed[gauge.name] = std::move(elements);
    }
    return {
        {"frame", frame}, {"t", number(t_s)}, {"snapshot", label}, {"gauges", std::move(placed)}};
}

std::string dump(const Json& value, int indent) {
    // Text from the module that is not UTF-8 is written with U+FFFD, not refused.
    return value.dump(indent, ' ', false, Json::error_handler_t::replace);
}

Writer::Writer(const std::string& path)
    : path_(path), out_(path, std::ios::out | std::ios::binary | std::ios::trunc) {
    if (!out_) throw std::runtime_error("cannot write " + path_);
}

void Writer::write(const Json& line) {
    out_ << dump(line) << '\n';
}

void Writer::close() {
    out_.close();
    if (!out_) throw std::runtime_error("cannot write " + path_);
}

}  // namespace bench::trace

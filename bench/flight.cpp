// The bench's frame loop. Each frame, in this order: token values at t (the
// speed reference taken from the latest key event of an earlier frame); at
// frame 0 the panel placed; the frame's panel events; its variable writes;
// its clicks, new ones then one repeat of each still held; one host frame;
// its snapshots. The module's outputs are taken after every step, so that
// the trace gives them in the order they happened, after the input that
// caused them.
#include "bench/flight.h"

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <utility>
#include <variant>

#include "bench/tokens.h"
#include "hostmodel/host_model.h"
#include "module/element_chain.h"

namespace bench {
namespace {

using hostmodel::Host;

hostmodel::SoundLibrary library_mode(SoundLibraryMode mode) {
    switch (mode) {
        case SoundLibraryMode::full:
            return hostmodel::SoundLibrary::present;
        case SoundLibraryMode::play_only:
            return hostmodel::SoundLibrary::without_stop_and_terminate;
        case SoundLibraryMode::absent:
            return hostmodel::SoundLibrary::absent;
    }
    throw std::logic_error("unknown sound library mode");
}

uint32_t mouse_event(Click::Button button) {
    return button == Click::Button::right ? host::mouse_event::right_click
                                          : host::mouse_event::left_click;
}

// Whether the area a click at (x, y) lands in repeats the click while held.
bool repeats_while_held(Host& host, const Click& click) {
    const host::MouseRect* area = host.mouse_area(click.gauge, click.x_px, click.y_px);
    return area != nullptr && (area->events & host::mouse_event::repeat) != 0;
}

bool is_placed(const Host& host, const std::string& gauge) {
    const std::vector<std::string> placed = host.placed();
    return std::find(placed.begin(), placed.end(), gauge) != placed.end();
}

// The trace event of one output of the module.
trace::Json event_of(const hostmodel::SoundCall& call) {
    switch (call.kind) {
        case hostmodel::SoundCall::Kind::play:
            return trace::play(call.file, call.key, call.loop);
        case hostmodel::SoundCall::Kind::stop:
            return trace::stop(call.key);
        case hostmodel::SoundCall::Kind::terminate:
            return trace::terminate();
    }
    throw std::logic_error("unknown sound call");
}

trace::Json event_of(const hostmodel::KeyEvent& key) {
    return trace::key_event(key.id, key.value);
}

trace::Json event_of(const hostmodel::NamedWrite& write) {
    return trace::variable_write(write.name, write.value);
}

trace::Json event_of(const hostmodel::LoaderCall& call) {
    using Kind        = hostmodel::LoaderCall::Kind;
    const auto handed = [&] {
        return call.handed.empty() ? trace::Json(nullptr) : trace::Json(call.handed);
    };
    switch (call.kind) {
        case Kind::load_library:
            return trace::loader("LoadLibraryA", call.name, handed());
        case Kind::module_handle:
            return trace::loader("GetModuleHandleA", call.name, handed());
        case Kind::proc_address:
            return trace::loader("GetProcAddress", call.name, call.result, call.module);
        case Kind::free_library:
            return trace::loader("FreeLibrary", call.name, call.result);
    }
    throw std::logic_error("unknown loader call");
}

// Moves what the module did since the last call into the frame's events.
class Outputs {
  public:
    explicit Outputs(Host& host) : host_(host) {}

    void take(trace::Json& events) {
        for (const hostmodel::Output& output : host_.take_outputs()) {
            if (const auto* key = std::get_if<hostmodel::KeyEvent>(&output);
                key != nullptr && key->id == speed_reference_key_event) {
                speed_reference_ = key->value;
            }
            events.push_back(std::visit([](const auto& what) { return event_of(what); }, output));
        }
        // The separate lists of the tests are not read here; keep them from
        // growing, but for the sound calls a caller keeps.
        std::vector<hostmodel::SoundCall> calls = host_.take_sound_calls();
        if (keep_calls_) kept_calls_.insert(kept_calls_.end(), calls.begin(), calls.end());
        host_.take_key_events();
    }

    void keep_sound_calls(bool keep) { keep_calls_ = keep; }
    std::vector<hostmodel::SoundCall> take_sound_calls() { return std::exchange(kept_calls_, {}); }

    // The speed reference the latest key event set, once one has.
    std::optional<double> speed_reference() const { return speed_reference_; }

  private:
    Host& host_;
    std::optional<double> speed_reference_;
    bool keep_calls_ = false;
    std::vector<hostmodel::SoundCall> kept_calls_;
};

trace::ElementState element_state(const Host& host, const std::string& gauge,
                                  const host::ElementHeader* element, int n) {
    using Kind = trace::ElementState::Kind;
    trace::ElementState state{.kind        = Kind::static_image,
                              .value       = std::nullopt,
                              .position    = std::nullopt,
                              .hidden      = host.hidden(gauge, n),
                              .text        = std::nullopt,
                              .image_flags = host.image_flags(gauge, n)};
    switch (element->type) {
        case host::element_type::static_image:
            return state;
        case host::element_type::needle:
            state.kind     = Kind::needle;
            state.position = trace::rounded_angle(host.angle(gauge, n));
            break;
        case host::element_type::string:
            state.kind = Kind::string;
            state.text = host.text(gauge, n);
            break;
        case host::element_type::icon:
            state.kind     = Kind::icon;
            state.position = host.icon_image(gauge, n);
            break;
        case host::element_type::moving_image:
            state.kind     = Kind::moving_image;
            state.position = host.moving_fraction(gauge, n);
            break;
        default:
            throw std::runtime_error(gauge + " element " + std::to_string(n) +
                                     " is of unknown type " + std::to_string(element->type));
    }
    state.value = host.value(gauge, n);
    return state;
}

// A scenario's events of one kind, handed out frame by frame in file order.
template <typename Event>
class ByFrame {
  public:
    explicit ByFrame(const std::vector<Event>& events) {
        for (const Event& event : events) order_.push_back(&event);
        std::stable_sort(order_.begin(), order_.end(),
                         [](const Event* a, const Event* b) { return a->frame < b->frame; });
    }

    // The events of `frame`; frames are asked for in increasing order.
    std::vector<const Event*> at(int frame) {
        std::vector<const Event*> found;
        while (next_ < order_.size() && order_[next_]->frame <= frame) {
            if (order_[next_]->frame == frame) found.push_back(order_[next_]);
            ++next_;
        }
        return found;
    }

  private:
    std::vector<const Event*> order_;
    std::size_t next_ = 0;
};

struct HeldClick {
    Click click;
    int frames_left;  // frames still to come with the button down
};

}  // namespace

std::vector<trace::GaugeState> panel_state(Host& host) {
    std::vector<trace::GaugeState> gauges;
    for (const std::string& name : host.placed()) {
        trace::GaugeState gauge{.name = name, .elements = {}};
        const host::GaugeHeader* header    = host.gauge(name);
        const host::ElementHeader* element = header->elements ? *header->elements : nullptr;
        for (int n = 0; element != nullptr; ++n) {
            gauge.elements.push_back(element_state(host, name, element, n));
            element = module::next_in_chain(element);
        }
        gauges.push_back(std::move(gauge));
    }
    return gauges;
}

std::vector<GaugeFacts> gauge_facts(Host& host) {
    std::vector<GaugeFacts> facts;
    for (host::GaugeHeader* const* gauge = host.linkage().gauges; *gauge != nullptr; ++gauge) {
        const std::string name          = (*gauge)->name != nullptr ? (*gauge)->name : "";
        const host::ElementHeader* root = (*gauge)->elements ? *(*gauge)->elements : nullptr;
        int width = 0, height = 0, bits = 0;
        if (root != nullptr) host.bitmap_resource(root->bitmap_id, &width, &height, &bits);
        facts.push_back({.name = name, .width_px = width, .height_px = height});
    }
    return facts;
}

struct Flight::State {
    explicit State(Host& host) : outputs(host) {}
    Outputs outputs;
    std::vector<std::string> panel;  // placed at frame 0
    std::vector<HeldClick> held;
};

Flight::Flight(Host& host, SoundLibraryMode library, const std::optional<HostStatus>& component,
               std::vector<std::string> panel)
    : host_(host), state_(std::make_unique<State>(host)) {
    host.set_sound_library(library_mode(library));
    if (component) {
        host.set_host_component(true);
        host.set_status_bytes(component->at_2848, component->at_2852, component->at_3400);
    } else {
        host.set_host_component(false);
    }
    state_->panel = std::move(panel);
}

Flight::~Flight() = default;

void Flight::step(int frame, double t_s, FrameInputs inputs,
                  const std::function<void(const trace::Json&)>& write) {
    Host& host         = host_;
    Outputs& outputs   = state_->outputs;
    auto& held         = state_->held;
    trace::Json events = trace::Json::array();

    // 1. token values
    std::vector<std::pair<uint32_t, double>>& tokens = inputs.tokens;
    if (const std::optional<double> reference = outputs.speed_reference()) {
        const auto at = std::find_if(tokens.begin(), tokens.end(), [](const auto& t) {
            return t.first >= speed_reference_token;
        });
        if (at != tokens.end() && at->first == speed_reference_token) {
            at->second = *reference;
        } else {
            tokens.insert(at, {speed_reference_token, *reference});
        }
    }
    for (const auto& [id, value] : tokens) host.set_token(id, value);

    // 2. the panel
    if (frame == 0) {
        for (const std::string& gauge : state_->panel) {
            events.push_back(trace::panel(true, gauge));
            host.place(gauge);
            outputs.take(events);
        }
    }
    // 3. panel events
    for (const PanelEvent& event : inputs.panel_events) {
        const bool place = event.action == PanelEvent::Action::place;
        events.push_back(trace::panel(place, event.gauge));
        if (place) {
            host.place(event.gauge);
        } else {
            host.remove(event.gauge);
        }
        outputs.take(events);
    }
    // 4. variable writes
    for (const VariableWrite& write_event : inputs.variables) {
        host.set_named(write_event.name, write_event.value);
    }
    // 5. clicks: new ones, then one repeat of each held from an earlier frame
    if (inputs.release) held.clear();
    for (const Click& click : inputs.clicks) {
        events.push_back(trace::click(click.gauge, click.x_px, click.y_px,
                                      click.button == Click::Button::right, false));
        host.click(click.gauge, click.x_px, click.y_px, mouse_event(click.button));
        outputs.take(events);
    }
    for (HeldClick& still : held) {
        const Click& click = still.click;
        --still.frames_left;
        if (!is_placed(host, click.gauge) || !repeats_while_held(host, click)) {
            still.frames_left = 0;
            continue;
        }
        events.push_back(trace::click(click.gauge, click.x_px, click.y_px,
                                      click.button == Click::Button::right, true));
        host.click(click.gauge, click.x_px, click.y_px, mouse_event(click.button));
        outputs.take(events);
    }
    std::erase_if(held, [](const HeldClick& h) { return h.frames_left <= 0; });
    for (const Click& click : inputs.clicks) {
        if (click.held_frames > 1) held.push_back({click, click.held_frames - 1});
    }
    // 6. one host frame
    host.frame();
    outputs.take(events);
    write(trace::frame_line(frame, t_s, tokens, std::move(events)));
    // 7. snapshots
    for (const std::string& label : inputs.snapshots) {
        write(trace::snapshot_line(frame, t_s, label, panel_state(host)));
    }
}

std::vector<std::string> Flight::faults() const {
    return host_.faults();
}

void Flight::keep_sound_calls(bool keep) {
    state_->outputs.keep_sound_calls(keep);
}

std::vector<hostmodel::SoundCall> Flight::take_sound_calls() {
    return state_->outputs.take_sound_calls();
}

namespace {

template <typename Event>
std::vector<Event> copies(const std::vector<const Event*>& events) {
    std::vector<Event> copied;
    for (const Event* event : events) copied.push_back(*event);
    return copied;
}

}  // namespace

struct ScenarioFeed::State {
    explicit State(const Scenario& s)
        : scenario(s),
          panel_events(s.panel_events),
          variables(s.variables),
          clicks(s.clicks),
          snapshots(s.snapshots) {}
    const Scenario& scenario;
    ByFrame<PanelEvent> panel_events;
    ByFrame<VariableWrite> variables;
    ByFrame<Click> clicks;
    ByFrame<Snapshot> snapshots;
};

ScenarioFeed::ScenarioFeed(const Scenario& scenario) : state_(std::make_unique<State>(scenario)) {}

ScenarioFeed::~ScenarioFeed() = default;

FrameInputs ScenarioFeed::at(int frame) {
    State& s       = *state_;
    const double t = frame_time_s(frame, s.scenario.frame_rate_hz);
    FrameInputs inputs;
    for (const auto& [id, track] : s.scenario.tokens) inputs.tokens.emplace_back(id, track.at(t));
    inputs.panel_events = copies(s.panel_events.at(frame));
    inputs.variables    = copies(s.variables.at(frame));
    inputs.clicks       = copies(s.clicks.at(frame));
    for (const Snapshot* snapshot : s.snapshots.at(frame))
        inputs.snapshots.push_back(snapshot->label);
    return inputs;
}

FlightResult fly(Host& host, const Scenario& scenario,
                 const std::function<void(const trace::Json&)>& write) {
    Flight flight(host, scenario.sound_library, scenario.host_component, scenario.panel);
    ScenarioFeed feed(scenario);
    for (int frame = 0; frame < scenario.frames; ++frame) {
        flight.step(frame, frame_time_s(frame, scenario.frame_rate_hz), feed.at(frame), write);
    }
    return {.faults = flight.faults()};
}

}  // namespace bench

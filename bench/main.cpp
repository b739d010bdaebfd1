// mertq4-bench SCENARIO.json --out DIR [--module PATH] [--sound-library FOLDER]
// [--real-time]: flies a scenario through the module in the host model and
// writes DIR/trace.jsonl and DIR/run.json; with the real sound library from
// FOLDER each recorded sound call is also heard, and in real time the frames
// are paced by the clock and each frame's start written to DIR/clock.jsonl, each sound call
// with the moment the module made it to DIR/calls.jsonl. mertq4-bench
// --interactive [--module PATH]: flies with inputs as they arrive on stdin, one trace line at a
// time to stdout (bench/interactive.h gives the messages). mertq4-bench --tokens: the tokens the
// module reads, with role, unit and range, as JSON. Exit status 0 when done; 2 for a bad command
// line, a bad scenario or a module that cannot be loaded (the message names the field or the file
// and the problem); 1 when DIR cannot be written. Nothing is left half-written in DIR: files are
// written under temporary names and renamed at the end.
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "bench/flight.h"
#include "bench/interactive.h"
#include "bench/scenario.h"
#include "bench/tokens.h"
#include "bench/trace.h"
#include "hostmodel/host_model.h"

#ifndef MERTQ4_BENCH_RUNNER
#error "the build names the runner: native or windows"
#endif

namespace {

namespace fs = std::filesystem;

constexpr char runner_name[]     = MERTQ4_BENCH_RUNNER;
constexpr bool loads_module_file = std::string_view(runner_name) == "windows";

constexpr int exit_done      = 0;
constexpr int exit_unwritten = 1;
constexpr int exit_refused   = 2;

// A refusal: bad command line, scenario or module.
struct Refused {
    std::string message;
};

struct Options {
    bool interactive = false;
    std::string scenario;
    std::string out;
    std::optional<std::string> module;
    std::optional<std::string> sound_library;  // the folder of the real GaugeSound
    bool real_time = false;
};

const char usage[] =
    "usage: mertq4-bench SCENARIO.json --out DIR [--module PATH] [--sound-library FOLDER] "
    "[--real-time]\n"
    "       mertq4-bench --interactive [--module PATH] [--sound-library FOLDER]";

Options options_of(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool has_value  = i + 1 < argc;
        if (arg == "--interactive") {
            options.interactive = true;
        } else if (arg == "--out" && has_value) {
            options.out = argv[++i];
        } else if (arg == "--module" && has_value) {
            if (!loads_module_file) {
                throw Refused{
                    "--module: the native runner has the module linked in; "
                    "the Windows runner loads one from a file"};
            }
            options.module = argv[++i];
        } else if (arg == "--sound-library" && has_value) {
            options.sound_library = argv[++i];
        } else if (arg == "--real-time") {
            options.real_time = true;
        } else if (arg.starts_with("--") || !options.scenario.empty()) {
            throw Refused{std::string(usage) + " (unexpected " + arg + ")"};
        } else {
            options.scenario = arg;
        }
    }
    if (options.interactive != (options.scenario.empty() && options.out.empty()))
        throw Refused{usage};
    if (options.interactive && options.real_time)
        throw Refused{"--real-time: an interactive session is paced by its inputs"};
    return options;
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Refused{path + ": cannot read the file"};
    std::ostringstream text;
    text << in.rdbuf();
    if (!in && !in.eof()) throw Refused{path + ": cannot read the file"};
    return text.str();
}

// The files of one run in DIR, written under temporary names and renamed
// into place only once every one of them is complete.
class Output {
  public:
    explicit Output(const fs::path& dir) : dir_(dir) {
        created_ = !fs::exists(dir_);
        fs::create_directories(dir_);
    }
    Output(const Output&)            = delete;
    Output& operator=(const Output&) = delete;

    ~Output() {
        if (committed_) return;
        std::error_code ignored;
        for (const auto& [partial, final_name] : files_) fs::remove(partial, ignored);
        if (created_) fs::remove(dir_, ignored);  // only if empty
    }

    // The temporary path to write `name` under.
    std::string file(const std::string& name) {
        const fs::path partial = dir_ / ("." + name + ".partial");
        files_.emplace_back(partial, dir_ / name);
        return partial.string();
    }

    void commit() {
        for (const auto& [partial, final_name] : files_) fs::rename(partial, final_name);
        committed_ = true;
    }

  private:
    fs::path dir_;
    bool created_   = false;
    bool committed_ = false;
    std::vector<std::pair<fs::path, fs::path>> files_;
};

bench::trace::Json run_record(const Options& options, const bench::Scenario& scenario,
                              const std::optional<std::string>& module) {
    using bench::trace::Json;
    Json snapshots = Json::array();
    for (const bench::Snapshot& snapshot : scenario.snapshots) {
        snapshots.push_back({{"label", snapshot.label},
                             {"frame", snapshot.frame},
                             {"t", bench::trace::number(bench::frame_time_s(
                                       snapshot.frame, scenario.frame_rate_hz))},
                             {"file", "panel-" + bench::slug(snapshot.label) + ".png"}});
    }
    return {{"name", scenario.name},
            {"scenario", options.scenario},
            {"frame_rate", scenario.frame_rate_hz},
            {"duration_s", scenario.duration_s},
            {"frames", scenario.frames},
            {"panel", scenario.panel},
            {"runner", runner_name},
            {"bits", 8 * sizeof(void*)},  // the runner's and its module's: 32 or 64
            {"module", module ? Json(*module) : Json(nullptr)},
            {"snapshots", std::move(snapshots)}};
}

hostmodel::Host& loaded_host(const Options& options) {
    if (options.module) hostmodel::Host::load_module_from(*options.module);
    try {
        if (options.sound_library) hostmodel::Host::use_sound_library(*options.sound_library);
        return hostmodel::Host::instance();
    } catch (const hostmodel::ModuleLoadError& error) {
        throw Refused{error.what()};
    }
}

// The panel closed before the runner exits, as the host closes it.
void close_panel(hostmodel::Host& host) {
    if (!host.close()) {
        std::cerr << "mertq4-bench: the sound library was still in the process "
                  << hostmodel::Host::streams_end_ms / 1000 << " s after the panel closed\n";
    }
}

// Flies as inputs arrive on stdin; each trace line is written and flushed at once.
int run_interactive(const Options& options) {
    hostmodel::Host& host = loaded_host(options);
    std::vector<std::string> faults;
    try {
        faults = bench::run_interactive(host, std::cin, [](const bench::trace::Json& line) {
            std::cout << bench::trace::dump(line) << '\n' << std::flush;
        });
    } catch (const bench::InteractiveError& error) {
        throw Refused{std::string("live session: ") + error.what()};
    }
    for (const std::string& fault : faults) {
        std::cerr << "mertq4-bench: the host model found: " << fault << "\n";
    }
    close_panel(host);
    return exit_done;
}

// A sound call as the module made it in real time: its frame, and the call
// with its time by the system clock.
struct TimedCall {
    int frame;
    hostmodel::SoundCall call;
};

// Flies the scenario with frame n started at n / frame_rate seconds after
// frame 0 by the steady clock (an absolute schedule: a late frame does not
// delay the next ones), and `wall_s[n]` the offset frame n actually started
// at; `start_unix_s` is frame 0's schedule by the system clock, in seconds
// since 1970, for setting the frames beside another process's recording;
// `calls` every sound call with the moment it was made.
bench::FlightResult fly_in_real_time(hostmodel::Host& host, const bench::Scenario& scenario,
                                     const std::function<void(const bench::trace::Json&)>& write,
                                     std::vector<double>& wall_s, double& start_unix_s,
                                     std::vector<TimedCall>& calls) {
    using Clock = std::chrono::steady_clock;
    bench::Flight flight(host, scenario.sound_library, scenario.host_component, scenario.panel);
    host.time_sound_calls(true);
    flight.keep_sound_calls(true);
    bench::ScenarioFeed feed(scenario);
    wall_s.assign(static_cast<size_t>(scenario.frames), 0.0);
    const Clock::time_point start = Clock::now();
    start_unix_s =
        std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    for (int frame = 0; frame < scenario.frames; ++frame) {
        const double t_s = bench::frame_time_s(frame, scenario.frame_rate_hz);
        std::this_thread::sleep_until(start + std::chrono::duration_cast<Clock::duration>(
                                                  std::chrono::duration<double>(t_s)));
        wall_s[static_cast<size_t>(frame)] =
            std::chrono::duration<double>(Clock::now() - start).count();
        flight.step(frame, t_s, feed.at(frame), write);
        for (hostmodel::SoundCall& call : flight.take_sound_calls()) {
            calls.push_back({.frame = frame, .call = std::move(call)});
        }
    }
    return {.faults = flight.faults()};
}

int run(const Options& options) {
    if (options.interactive) return run_interactive(options);
    const std::string text        = read_file(options.scenario);
    hostmodel::Host& host         = loaded_host(options);
    const std::string module_file = host.module_file();
    const std::optional<std::string> module =
        module_file.empty() ? std::nullopt : std::optional<std::string>(module_file);

    bench::Scenario scenario;
    try {
        scenario = bench::parse_scenario(text, options.scenario, bench::gauge_facts(host));
    } catch (const bench::ScenarioError& error) {
        throw Refused{options.scenario + ": " + error.what()};
    }

    Output output(options.out);
    bench::trace::Writer trace(output.file("trace.jsonl"));
    const auto write = [&](const bench::trace::Json& line) { trace.write(line); };
    std::vector<double> wall_s;
    double start_unix_s = 0;
    std::vector<TimedCall> calls;
    const bench::FlightResult result =
        options.real_time ? fly_in_real_time(host, scenario, write, wall_s, start_unix_s, calls)
                          : bench::fly(host, scenario, write);
    trace.close();
    if (options.real_time) {
        bench::trace::Writer clock(output.file("clock.jsonl"));
        for (size_t frame = 0; frame < wall_s.size(); ++frame) {
            clock.write(
                {{"frame", frame},
                 {"t", bench::frame_time_s(static_cast<int>(frame), scenario.frame_rate_hz)},
                 {"wall_s", wall_s[frame]},
                 {"unix_s", start_unix_s + wall_s[frame]}});
        }
        clock.close();
        bench::trace::Writer timed(output.file("calls.jsonl"));
        for (const TimedCall& timed_call : calls) {
            using Kind                       = hostmodel::SoundCall::Kind;
            const hostmodel::SoundCall& call = timed_call.call;
            const char* kind                 = call.kind == Kind::play   ? "play"
                                               : call.kind == Kind::stop ? "stop"
                                                                         : "terminate";
            bench::trace::Json line          = {
                         {"frame", timed_call.frame}, {"call", kind}, {"unix_s", call.unix_s}};
            if (call.kind == Kind::play) line["file"] = call.file;
            if (call.kind != Kind::terminate) line["key"] = call.key;
            timed.write(line);
        }
        timed.close();
    }
    {
        bench::trace::Writer run(output.file("run.json"));
        run.write(run_record(options, scenario, module));
        run.close();
    }
    output.commit();
    for (const std::string& fault : result.faults) {
        std::cerr << "mertq4-bench: the host model found: " << fault << "\n";
    }
    close_panel(host);
    return exit_done;
}

}  // namespace

// The token table as JSON, for the live panel's controls.
int print_tokens() {
    bench::trace::Json table = bench::trace::Json::array();
    for (const bench::TokenInfo& token : bench::module_tokens) {
        table.push_back({{"id", token.id},
                         {"role", token.role},
                         {"unit", token.unit},
                         {"low", token.low},
                         {"high", token.high}});
    }
    std::cout << bench::trace::dump(table) << "\n";
    return exit_done;
}

int main(int argc, char** argv) {
    if (argc == 2 && std::string_view(argv[1]) == "--tokens") return print_tokens();
    try {
        return run(options_of(argc, argv));
    } catch (const Refused& refused) {
        std::cerr << "mertq4-bench: " << refused.message << "\n";
        return exit_refused;
    } catch (const std::exception& error) {
        std::cerr << "mertq4-bench: " << error.what() << "\n";
        return exit_unwritten;
    }
}

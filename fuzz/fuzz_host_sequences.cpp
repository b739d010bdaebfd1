// The libFuzzer entry: each input is a sequence of host events (event_decoder.h)
// played against a freshly reloaded module, with every invariant
// (invariants.h) checked after each event. A broken invariant aborts with the
// check's name, the event number and what was seen.
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <unordered_set>

#include "fuzz/event_decoder.h"
#include "fuzz/invariants.h"
#include "hostmodel/host_model.h"

namespace {

using fuzz::EventKind;

// How many events were played, and how many of them differed in some field:
// printed when the fuzzer exits.
uint64_t events_played = 0;
std::unordered_set<uint64_t> distinct_events;

uint64_t fingerprint(const fuzz::Event& e) {
    uint64_t h     = 1469598103934665603ULL;
    const auto mix = [&](uint64_t v) { h = (h ^ v) * 1099511628211ULL; };
    mix(static_cast<uint64_t>(e.kind));
    mix(e.gauge);
    mix(e.index);
    mix(static_cast<uint32_t>(e.code));
    mix(std::bit_cast<uint64_t>(e.value));
    mix(static_cast<uint32_t>(e.x));
    mix(static_cast<uint32_t>(e.y));
    mix(e.flags);
    mix(static_cast<uint32_t>(e.repeats));
    mix(e.on);
    for (uint8_t s : e.status) mix(s);
    return h;
}

void print_event_counts() {
    std::fprintf(stderr, "host events played: %llu, distinct: %zu\n",
                 static_cast<unsigned long long>(events_played), distinct_events.size());
}

void apply(hostmodel::Host& host, const fuzz::Event& e) {
    const std::string gauge(fuzz::gauge_names[e.gauge]);
    const auto placed = [&] {
        for (const std::string& name : host.placed()) {
            if (name == gauge) return true;
        }
        return false;
    };
    switch (e.kind) {
        case EventKind::place:
            if (placed()) {
                host.connect_to_window(gauge);
            } else {
                host.place(gauge);
            }
            break;
        case EventKind::remove:
            if (placed()) {
                host.remove(gauge);
            } else {
                host.service(gauge, 12);
            }
            break;
        case EventKind::service:
            host.service(gauge, e.code);
            break;
        case EventKind::frame:
            host.frame();
            break;
        case EventKind::frames:
            host.frames(e.index);
            break;
        case EventKind::token:
            host.set_token(fuzz::token_ids[e.index], e.value);
            break;
        case EventKind::named:
            host.set_named(std::string(fuzz::named_variables[e.index]), e.value);
            break;
        case EventKind::click:
            if (placed()) host.click(gauge, e.x, e.y, e.flags, e.repeats);
            break;
        case EventKind::sound_library:
            host.set_sound_library(static_cast<hostmodel::SoundLibrary>(e.index));
            break;
        case EventKind::hold_library:
            host.hold_sound_library(e.on);
            break;
        case EventKind::host_component:
            host.set_host_component(e.on);
            break;
        case EventKind::status_bytes:
            host.set_status_bytes(e.status[0], e.status[1], e.status[2]);
            break;
        case EventKind::count:
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static const int counts_printed_at_exit = std::atexit(print_event_counts);
    (void)counts_printed_at_exit;
    hostmodel::Host& host = hostmodel::Host::instance();
    host.reload();
    fuzz::EventDecoder decoder(std::span<const uint8_t>(data, size));
    int number                 = 0;
    std::size_t faults_checked = 0;
    while (const auto event = decoder.next()) {
        apply(host, *event);
        ++number;
        ++events_played;
        if (distinct_events.size() < (std::size_t{1} << 24))
            distinct_events.insert(fingerprint(*event));
        const auto broken = fuzz::check_invariants(faults_checked);
        if (!broken.empty()) {
            for (const fuzz::Violation& v : broken) {
                std::fprintf(stderr, "invariant broken after event %d (kind %d): %s: %s\n", number,
                             static_cast<int>(event->kind), v.check.c_str(), v.detail.c_str());
            }
            std::abort();
        }
        // The outputs are checked through the invariants; keep memory flat.
        host.take_outputs();
        host.take_sound_calls();
        host.take_key_events();
        host.take_loader_calls();
        host.clear_element_operations();
    }
    host.remove_all();
    return 0;
}

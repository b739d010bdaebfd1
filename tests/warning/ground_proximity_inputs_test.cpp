// What only the native build can see of the warning gauges: the minimums
// callout on the flag the radio altimeter sets, written here directly; the
// sound-key buffers of every one-shot sound of the three sound-making gauges;
// and the loader calls each gauge makes at each service code.
#include <gtest/gtest.h>

#include <cstddef>
#include <set>
#include <string>
#include <vector>

#include "module/shared_variables.h"
#include "tests/support/host_test.h"
#include "tests/warning/expected_sounds.h"
#include "tests/warning/warning_gauges.h"

namespace {

using expected::once;
using expected::Pass;
using warning_test::gpws;
using warning_test::signs;
using warning_test::sound_link;
using warning_test::SoundCall;
namespace token = warning_test::token;

class WarningInputs : public host_test::HostTest {
  protected:
    // Level cruise with gear and flaps up, settled.
    void prepare() override {
        host.place(gpws);
        warning_test::cruise(host);
        host.frames(4);
        host.take_sound_calls();
    }
};

TEST_F(WarningInputs, MinimumsCalloutPlaysOnceUntilTheFlagDrops) {
    const std::vector<SoundCall> callout = Pass{.minimums = {once(expected::minimums)}}.calls();
    shared::minimums_flag                = 1;
    EXPECT_EQ(frame(), callout);
    for (int pass = 0; pass < 3; ++pass) EXPECT_EQ(frame(), Pass{}.calls()) << "held";
    shared::minimums_flag = 0;
    EXPECT_EQ(frame(), Pass{}.calls());
    shared::minimums_flag = 1;
    EXPECT_EQ(frame(), callout) << "re-armed by one enabled pass with the flag down";
}

// The re-arm is a rule too: a flag that drops only during disabled passes
// leaves the callout latched.
TEST_F(WarningInputs, MinimumsReArmNeedsAnEnabledPass) {
    shared::minimums_flag = 1;
    frame();
    host.set_status_bytes(1, 1, 2);
    shared::minimums_flag = 0;
    EXPECT_EQ(frame(), expected::disabled_pass());
    shared::minimums_flag = 1;
    host.set_status_bytes(1, 1, 0);
    EXPECT_EQ(frame(), Pass{}.calls());
    shared::minimums_flag = 0;
    frame();
    shared::minimums_flag = 1;
    EXPECT_EQ(frame(), Pass{.minimums = {once(expected::minimums)}}.calls());
}

// ------------------------------------------------------ one-shot sound keys

// A one-shot sound heard, named for its call site, with the buffer its empty
// key came from.
struct HeardKey {
    std::string site;
    const void* buffer;
};

// Each one-shot sound passes the empty key from its call site's own buffer:
// no two call sites share one, and the two trim sounds, the same file, use
// two distinct keys. Every one-shot sound of the three gauges is made to
// play once here.
TEST_F(WarningInputs, EveryOneShotSoundHasItsOwnKeyBuffer) {
    host.place(sound_link);
    host.place(signs);
    host.frames(2);
    host.take_sound_calls();
    std::vector<HeardKey> heard;
    // The one-shot plays of `calls`, in order, named by `sites`.
    const auto name = [&](const std::vector<SoundCall>& calls,
                          const std::vector<std::string>& sites) {
        std::vector<const SoundCall*> plays;
        for (const SoundCall& call : calls) {
            if (call.kind == SoundCall::Kind::play && call.loop == 0) plays.push_back(&call);
        }
        ASSERT_EQ(plays.size(), sites.size()) << "one-shot sounds heard";
        for (std::size_t i = 0; i < sites.size(); ++i) {
            EXPECT_EQ(plays[i]->key, "") << sites[i];
            heard.push_back({sites[i], plays[i]->key_buffer});
        }
    };

    // The sound link's eight one-shot variables, in table order.
    for (const char* variable : {"XMLSmoke", "XMLBelts", "XMLBus", "XMLClick1", "XMLClick2",
                                 "XMLClick3", "XMLRotar", "XMLRotor"}) {
        host.set_named(variable, 1.0);
    }
    name(frame(), {"smoke", "belts", "bus", "click 1", "click 2", "click 3", "rotary", "rotor"});

    // The two sign switches, switched on and off again.
    host.click(signs, 10, 10);
    host.click(signs, 80, 10);
    host.click(signs, 10, 10);
    host.click(signs, 80, 10);
    name(host.take_sound_calls(), {"left sign", "right sign"});

    shared::minimums_flag = 1;
    host.set_token(token::altitude_ft, 600.0);  // 600 ft from the selected altitude, 0
    name(frame(), {"minimums", "altitude beep"});
    shared::minimums_flag = 0;

    // Two descents arm every radio-height callout; the third is heard.
    for (int approach = 0; approach < 3; ++approach) {
        std::vector<SoundCall> calls;
        for (double h : {152.0, 30.0, 15.0, 10.0, 3.0}) {
            host.set_token(token::radio_height_m, h);
            host.set_token(token::vertical_speed, -1.0);
            for (SoundCall& call : frame()) calls.push_back(call);
        }
        host.set_token(token::radio_height_m, 1000.0);
        host.set_token(token::vertical_speed, 0.0);
        frame();
        if (approach == 2) {
            name(calls, {"callout 500", "callout 100", "callout 50", "callout 30", "callout 10"});
        }
    }

    host.set_token(token::gear_1, 16383.0);
    host.set_token(token::gear_2, 16383.0);
    name(frame(), {"gear down"});
    host.set_token(token::gear_1, 0.0);
    host.set_token(token::gear_2, 0.0);
    name(frame(), {"gear up"});

    host.set_token(token::state_60, 1.0);
    host.set_token(token::state_324, 1.0);
    host.set_token(token::spoilers, 20000.0);
    name(frame(), {"spoiler extension", "second spoiler"});
    host.set_token(token::spoilers, 0.0);
    frame();

    host.set_token(token::parking_brake, 32767.0);
    name(frame(), {"brake set"});
    frame();
    host.set_token(token::parking_brake, 0.0);
    name(frame(), {"brake released"});
    frame();

    // A steady rise sounds on every pass: up on the pass that takes sample b,
    // down on the other two.
    std::set<const void*> trim_keys;
    for (int pass = 0; pass < 6; ++pass) {
        host.set_token(token::trim, (pass + 1) / 64.0);
        for (const SoundCall& call : frame()) {
            EXPECT_EQ(call.kind == SoundCall::Kind::play && call.loop == 0,
                      call.file == expected::trim)
                << describe(call);
            if (call.file == expected::trim) trim_keys.insert(call.key_buffer);
        }
    }
    ASSERT_EQ(trim_keys.size(), 2u) << "the two trim sounds share a key";
    for (const void* buffer : trim_keys) heard.push_back({"trim", buffer});

    // Flaps to a known state, then every callout once.
    for (double f : {40.0, 50.0, 1.0, 0.0}) {
        host.set_token(token::flaps, f);
        frame();
    }
    std::vector<SoundCall> calls;
    for (double f : {1.0, 5.0, 15.0, 25.0, 40.0, 50.0, 0.0}) {
        host.set_token(token::flaps, f);
        for (SoundCall& call : frame()) calls.push_back(call);
    }
    name(calls, {"slats", "flaps 5", "flaps 15", "flaps 25", "flaps 40", "flaps 50", "flaps up"});

    EXPECT_EQ(heard.size(), 32u) << "eight link sounds, two switches, 22 warning sounds";
    for (std::size_t i = 0; i < heard.size(); ++i) {
        EXPECT_NE(heard[i].buffer, nullptr) << heard[i].site;
        for (std::size_t j = i + 1; j < heard.size(); ++j) {
            EXPECT_NE(heard[i].buffer, heard[j].buffer)
                << heard[i].site << " and " << heard[j].site << " share a key buffer";
        }
    }
}

// ------------------------------------------------------------ loader calls

using Calls = std::vector<std::string>;

Calls operator+(Calls a, const Calls& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const Calls load           = {"LoadLibraryA(GaugeSound)"};
const Calls find_loaded    = {"GetModuleHandleA(GaugeSound)"};
const Calls free_reference = {"FreeLibrary(GaugeSound)"};
const Calls lookups        = {"GetProcAddress(GaugePlaySound)", "GetProcAddress(GaugeStopSound)",
                              "GetProcAddress(TerminateSounds)"};
// Code 12: bind as at the warning gauge's code 6, stop every sound, release
// the module's reference; then the check whether the library has left the
// process, which clears the entry points if it has.
const Calls release = find_loaded + lookups + free_reference + find_loaded;
// Code 14 of the warning gauge: the host component and its export.
const Calls find_component = {"GetModuleHandleA(GLOBAL.DLL)", "GetProcAddress(Linkage)"};

// The three gauges placed and two frames flown: the library is in the
// process, bound, and the module holds one reference on it.
class LoaderCalls : public host_test::HostTest {
  protected:
    void prepare() override {
        host.hold_sound_library(false);
        host.place(sound_link);
        host.place(gpws);
        host.place(signs);
        host.frames(2);
        ASSERT_EQ(host.module_sound_references(), 1);
        host.take_loader_calls();
    }

    Calls service(const char* gauge, int32_t code) {
        host.service(gauge, code);
        return host.take_loader_calls();
    }
};

// With the library bound: code 4 only looks up (the handle is set), code 6
// of the warning gauge and the switches finds the loaded library first, the
// sound link's code 6 too since its handle is set; code 14 of the warning
// gauge finds the host component's export; other codes call no loader.
TEST_F(LoaderCalls, BindingStepsWhileTheLibraryIsBound) {
    for (const char* gauge : {sound_link, gpws, signs}) {
        SCOPED_TRACE(gauge);
        EXPECT_EQ(service(gauge, 4), lookups);
        EXPECT_EQ(service(gauge, 6), find_loaded + lookups);
        EXPECT_EQ(service(gauge, 2), Calls{});
    }
    EXPECT_EQ(service(gpws, 10), Calls{});
    EXPECT_EQ(service(gpws, 14), find_component);
}

// Once a removal has taken the library out of the process, the sound link's
// code 6 loads only when its handle is NULL and takes the handle by name
// after; the warning gauge's code 6 finds by name first and loads when that
// fails. A NULL handle is not looked up through, nor is a released one whose
// library has left (one name lookup tells).
TEST_F(LoaderCalls, RebindingAfterTheLibraryLeftTheProcess) {
    host.remove(signs);
    EXPECT_EQ(host.take_loader_calls(), release);
    EXPECT_FALSE(host.sound_library_loaded());

    EXPECT_EQ(service(sound_link, 6), find_loaded) << "handle set: no load; found NULL";
    EXPECT_EQ(service(gpws, 4), load + lookups) << "handle NULL: load";

    host.remove(gpws);
    EXPECT_EQ(host.take_loader_calls(), release);
    EXPECT_EQ(service(sound_link, 4), find_loaded) << "released handle, library gone";
    EXPECT_EQ(service(sound_link, 6), find_loaded);
    EXPECT_EQ(service(sound_link, 6), load + find_loaded + lookups) << "handle NULL: load first";

    host.remove(sound_link);
    EXPECT_EQ(host.take_loader_calls(), release);
    host.place(gpws);
    EXPECT_EQ(host.take_loader_calls(), find_loaded + find_component) << "codes 2, 4 and 14";
    EXPECT_EQ(service(gpws, 6), find_loaded + load + lookups) << "not found: load";
}

}  // namespace

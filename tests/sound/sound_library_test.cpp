// The sound library binding the three sound-making gauges share, through the
// host: panel reloads with the reference balance, another module holding the
// library, removal of one gauge while others stay, and libraries that are
// missing or lack entry points.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/host_test.h"
#include "tests/warning/expected_sounds.h"
#include "tests/warning/warning_gauges.h"

namespace {

using expected::once;
using warning_test::gpws;
using warning_test::signs;
using warning_test::sound_link;
using warning_test::SoundCall;
using warning_test::SoundLibrary;
namespace token = warning_test::token;

class SoundLibraryBinding : public host_test::HostTest {
  protected:
    void TearDown() override {
        HostTest::TearDown();
        EXPECT_EQ(host.module_sound_references(), 0)
            << "references left after removing every gauge";
    }

    void place_all() {
        host.place(sound_link);
        host.place(gpws);
        host.place(signs);
    }

    // Two clicks on the left sign switch: one of them switches it on, so a
    // bound library hears exactly one chime; the switch ends as it was.
    bool chimes() {
        host.take_sound_calls();
        host.click(signs, 10, 10);
        host.click(signs, 10, 10);
        return host.take_sound_calls() == std::vector<SoundCall>{once(expected::signs)};
    }
};

// Reloading the panel removes every gauge (code 12 each) and places them
// again: the module releases exactly what it loaded, each removal stops every
// sound, and the library works again after the reload.
TEST_F(SoundLibraryBinding, ReloadingThePanelBalancesTheReferences) {
    for (int load = 0; load < 3; ++load) {
        SCOPED_TRACE("panel load " + std::to_string(load));
        place_all();
        host.frames(2);
        EXPECT_TRUE(host.sound_library_loaded());
        EXPECT_GE(host.module_sound_references(), 1);
        EXPECT_TRUE(chimes());
        host.take_sound_calls();
        host.remove_all();
        EXPECT_EQ(host.take_sound_calls(),
                  (std::vector<SoundCall>{hostmodel::terminate(), hostmodel::terminate(),
                                          hostmodel::terminate()}));
        EXPECT_EQ(host.module_sound_references(), 0);
        EXPECT_FALSE(host.sound_library_loaded());
    }
}

// Another module of the process holds the library: the module never
// releases that reference, and the library stays for it. When that module
// lets go while none of the gauges is placed, the next panel load binds
// afresh without looking through the handle kept from before.
TEST_F(SoundLibraryBinding, AnotherModulesReferenceIsNeverReleased) {
    host.hold_sound_library(true);
    for (int load = 0; load < 2; ++load) {
        place_all();
        host.frames(2);
        EXPECT_TRUE(chimes());
        host.remove_all();
        EXPECT_EQ(host.module_sound_references(), 0);
        EXPECT_TRUE(host.sound_library_loaded()) << "the other module's reference was released";
    }
    host.hold_sound_library(false);
    EXPECT_FALSE(host.sound_library_loaded());
    place_all();
    EXPECT_FALSE(chimes()) << "nothing bound before the first frame";
    host.frame();
    EXPECT_TRUE(chimes());
}

// While another module holds the library, the handle kept after the panel's
// removal still names it: the next placement's code 4 looks the entry points
// up through it, so a click before the first frame already chimes.
TEST_F(SoundLibraryBinding, InitializationLooksUpThroughAHandleAnotherModuleKeepsValid) {
    host.hold_sound_library(true);
    place_all();
    host.frames(2);
    host.remove_all();
    ASSERT_TRUE(host.sound_library_loaded());
    place_all();
    EXPECT_TRUE(chimes()) << "the lookups at code 4 were skipped";
    host.remove_all();
    host.hold_sound_library(false);
}

// A handle the module found while another module held the library, with no
// reference of its own, goes stale when that module lets go: the next
// placement's code 4 must not look entry points up in the gone library, and
// the next frame loads it again.
TEST_F(SoundLibraryBinding, NoLookupInALibraryAnotherModuleLetGo) {
    host.service(sound_link, host::service::pre_kill);  // a stray removal before placement
    host.place(gpws);
    host.hold_sound_library(true);
    host.frame();
    host.hold_sound_library(false);
    host.place(sound_link);
    EXPECT_TRUE(take_faults().empty()) << "entry points looked up in a library no longer loaded";
    host.frame();
    host.set_named("XMLBus", 1.0);
    host.take_sound_calls();
    host.frame();
    const std::vector<SoundCall> calls = host.take_sound_calls();
    ASSERT_FALSE(calls.empty()) << "the library was not loaded again";
    EXPECT_EQ(calls.front(), once(expected::bus));
}

// Removing one gauge releases the library; a click arriving before the next
// frame rebinds must not call into it. The next frame loads it again.
TEST_F(SoundLibraryBinding, ClickAfterAnotherGaugesRemovalBeforeTheNextFrame) {
    place_all();
    host.frames(2);
    host.remove(gpws);
    EXPECT_FALSE(host.sound_library_loaded());
    EXPECT_FALSE(chimes()) << "a call went through an entry point of the released library";
    host.frame();
    EXPECT_TRUE(chimes());
    host.remove(signs);
    host.frames(2);  // the sound link alone rebinds on its own
    host.set_named("XMLBus", 1.0);
    host.take_sound_calls();
    host.frame();
    EXPECT_EQ(host.take_sound_calls(), std::vector<SoundCall>{once(expected::bus)});
}

// Without the library every gauge goes on working and no call is made.
TEST_F(SoundLibraryBinding, WithoutTheLibraryEveryGaugeKeepsWorking) {
    host.set_sound_library(SoundLibrary::absent);
    place_all();
    host.set_named("XMLSmoke", 1.0);
    host.set_named("XMLStalltst", 1.0);
    host.set_token(token::flaps, 1.0);  // at the slats detent
    host.frames(3);
    host.click(signs, 10, 10);
    host.frame();
    EXPECT_EQ(host.sound_calls(), std::vector<SoundCall>{});
    EXPECT_EQ(host.named("XMLSmoke"), 0.0) << "the handshake still completes";
    EXPECT_EQ(host.icon_image(signs, 1), 1) << "the switch still flips";
    EXPECT_EQ(host.text(sound_link, 9), "XMLSmoke = 0");
    host.click(signs, 10, 10);
    host.remove_all();
    EXPECT_EQ(host.take_sound_calls(), std::vector<SoundCall>{});
    host.set_named("XMLStalltst", 0.0);
    host.set_token(token::flaps, 0.0);
}

// A library with GaugePlaySound alone: plays go through, stops and
// terminations are skipped.
TEST_F(SoundLibraryBinding, WithOnlyThePlayEntryPoint) {
    host.set_sound_library(SoundLibrary::without_stop_and_terminate);
    place_all();
    host.set_named("XMLStalltst", 1.0);
    host.frames(2);
    const std::vector<SoundCall> calls = host.take_sound_calls();
    ASSERT_FALSE(calls.empty());
    for (const SoundCall& call : calls)
        EXPECT_EQ(call.kind, SoundCall::Kind::play) << describe(call);
    EXPECT_EQ(calls.back(), expected::looping(expected::stall_test, "stalltest"));
    if (host::host_status_bytes_known) {
        host.set_status_bytes(1, 1, 2);
        host.frame();
        EXPECT_EQ(host.take_sound_calls(), std::vector<SoundCall>{})
            << "no TerminateSounds to call";
    }
    EXPECT_TRUE(chimes());
    host.remove_all();
    EXPECT_EQ(host.take_sound_calls(), std::vector<SoundCall>{});
    host.set_named("XMLStalltst", 0.0);
}

}  // namespace

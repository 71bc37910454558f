// Whatever a sink does inside its callback, over the ModemManager service:
// unadvise itself, advise again, race the window's own Unadvise, release the
// manager, end the service. Nothing aborts, deadlocks or is used after it is
// freed, and every later event still reaches whoever is subscribed then.
#include <ModemManager.h>

#include <chrono>
#include <functional>
#include <ostream>
#include <thread>

#include "platform/accounting.h"
#include "service_fixture.h"
#include "tests/support/action_sink.h"
// After the boundary's headers: glib makes TRUE and FALSE macros.
#include <glib.h>

namespace {

using paravue::ComPtr;
using paravue::MakeComObject;
using paravue::test_support::ActionSink;
using paravue::test_support::TwoPoints;
using paravue::test_support::WaitForLiveCounts;

// The callback ends the fixture's service through a pointer to it.
using Scene = paravue::test_support::ActionScene<std::optional<paravue::mm::ModemManagerService>*>;

struct SinkAction {
    const char* name;
    std::function<void(Scene&)> inCallback;
    std::function<void(Scene&)> meanwhile;  // on the test's thread, during the callback
    bool actorHearsLater;
    bool freshHearsLater;
};

// Test names and messages show the action by its name.
void PrintTo(const SinkAction& action, std::ostream* out) {
    *out << action.name;
}

const SinkAction kActions[] = {
    {"UnadviseAndReleaseTheLastManagerReference",
     [](Scene& s) {
         s.points.Unadvise();
         s.points.Release();
         s.manager.Reset();
     },
     nullptr, false, false},
    {"UnadviseAndAdviseAgain",
     [](Scene& s) {
         s.points.Unadvise();
         s.points.Advise(s.actor.Get());
     },
     nullptr, true, false},
    {"UnadviseItselfWhileTheLastOtherGoesThenAdviseANewSink",
     [](Scene& s) {
         s.points.registration->Unadvise(std::exchange(s.points.registrationCookie, 0));
         s.inside.Signal();
         // Long enough for the test thread to be inside its Unadvise.
         std::this_thread::sleep_for(std::chrono::milliseconds(200));
         s.points.registration->Advise(static_cast<IMbnRegistrationEvents*>(s.fresh.Get()),
                                       &s.points.registrationCookie);
         s.points.manager->Advise(static_cast<IMbnInterfaceManagerEvents*>(s.fresh.Get()),
                                  &s.freshCookie);
     },
     [](Scene& s) {
         ASSERT_TRUE(s.inside.Wait());
         EXPECT_EQ(s.points.manager->Unadvise(std::exchange(s.points.managerCookie, 0)), S_OK);
     },
     false, true},
    {"ReleaseTheManagerWhileStillSubscribed",
     [](Scene& s) {
         s.points.Release();
         s.manager.Reset();
     },
     nullptr, false, false},
    {"EndTheService", [](Scene& s) { s.service->reset(); }, nullptr, true, false},
};

class SinkActionsTest : public ServiceTest, public ::testing::WithParamInterface<SinkAction> {
  protected:
    void TearDown() override {
        ServiceTest::TearDown();
        WaitForLiveCounts(before_);
        EXPECT_EQ(paravue::CurrentLiveCounts(), before_);
    }
};

TEST_P(SinkActionsTest, LaterEventsStillReachWhoeverListens) {
    const SinkAction& action = GetParam();
    ASSERT_TRUE(daemon_.Start());
    ASSERT_TRUE(daemon_.AddModem(0));
    Scene scene;
    scene.service = &service_;
    ASSERT_EQ(CreateManager(&scene.manager), S_OK);
    ASSERT_EQ(scene.points.Find(scene.manager.Get()), S_OK);
    ASSERT_EQ(scene.points.Advise(scene.actor.Get()), S_OK);
    // A second window of its own, untouched by the actor.
    ComPtr<IMbnInterfaceManager> otherManager;
    ASSERT_EQ(CreateManager(&otherManager), S_OK);
    TwoPoints otherPoints;
    ASSERT_EQ(otherPoints.Find(otherManager.Get()), S_OK);
    auto witness = MakeComObject<ActionSink>();
    ASSERT_EQ(otherPoints.Advise(witness.Get()), S_OK);

    scene.actor->Arm([&] { action.inCallback(scene); });
    ASSERT_TRUE(daemon_.Call(
        "SetModemProperty",
        g_variant_new("(ussv)", 0u, "org.freedesktop.ModemManager1.Modem.Modem3gpp",
                      "RegistrationState",
                      g_variant_new_uint32(MM_MODEM_3GPP_REGISTRATION_STATE_ROAMING))));
    if (action.meanwhile)
        action.meanwhile(scene);
    ASSERT_TRUE(scene.actor->WaitUntilActed());

    ASSERT_TRUE(daemon_.Call("RemoveModem", g_variant_new("(u)", 0u)));
    EXPECT_TRUE(witness->WaitFor("removal"));
    if (action.freshHearsLater) {
        EXPECT_TRUE(scene.fresh->WaitFor("removal"));
    }
    if (action.actorHearsLater) {
        EXPECT_TRUE(scene.actor->WaitFor("removal"));
    } else {
        EXPECT_FALSE(scene.actor->Got("removal"));
    }

    scene.Unadvise();
    otherPoints.Unadvise();
}

INSTANTIATE_TEST_SUITE_P(InsideACallback, SinkActionsTest, ::testing::ValuesIn(kActions),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

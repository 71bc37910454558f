// Whatever a sink does inside its callback, over the simulated service:
// unadvise itself, advise again, race another thread's Unadvise, release the
// manager, end the whole service. Nothing is used after it is freed, and every
// later event reaches whoever is subscribed then.
#include <chrono>
#include <functional>
#include <optional>
#include <ostream>
#include <thread>

#include "platform/accounting.h"
#include "service_test_support.h"
#include "tests/support/action_sink.h"
#include "tests/support/test_service.h"

namespace paravue::simulated {
namespace {

using namespace std::chrono_literals;
using test_support::ActionSink;
using test_support::TwoPoints;
using test_support::WaitForLiveCounts;
using testing::Create;

constexpr char kScenario[] = R"({
  "interfaces": [{"interfaceId": "A"}],
  "events": [
    {"afterMs": 10, "event": "OnRegisterStateChange"},
    {"afterMs": 20, "event": "OnInterfaceRemoval", "patch": {"interfaces": []}}
  ]})";

using Scene = test_support::ActionScene<std::optional<test_support::TestService>>;

struct SinkAction {
    const char* name;
    std::function<void(Scene&)> inCallback;
    std::function<void(Scene&)> meanwhile;  // on the test's thread, during the callback
    bool serviceLives;
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
     nullptr, true, false, false},
    {"UnadviseAndAdviseAgain",
     [](Scene& s) {
         s.points.Unadvise();
         s.points.Advise(s.actor.Get());
     },
     nullptr, true, true, false},
    {"UnadviseItselfWhileAnotherThreadUnadvisesThenAdviseANewSink",
     [](Scene& s) {
         s.points.registration->Unadvise(std::exchange(s.points.registrationCookie, 0));
         s.inside.Signal();
         std::this_thread::sleep_for(100ms);
         s.points.manager->Advise(static_cast<IMbnInterfaceManagerEvents*>(s.fresh.Get()),
                                  &s.freshCookie);
     },
     [](Scene& s) {
         ASSERT_TRUE(s.inside.Wait());
         EXPECT_EQ(s.points.manager->Unadvise(std::exchange(s.points.managerCookie, 0)), S_OK);
     },
     true, false, true},
    {"ReleaseTheManagerWhileStillSubscribed",
     [](Scene& s) {
         s.points.Release();
         s.manager.Reset();
     },
     nullptr, true, true, false},
    {"EndTheService", [](Scene& s) { s.service.reset(); }, nullptr, false, false, false},
    {"EndTheServiceButKeepTheManager",
     [](Scene& s) {
         s.points.Unadvise();
         s.service.reset();
     },
     nullptr, false, false, false},
};

class SinkActions : public ::testing::TestWithParam<SinkAction> {
  protected:
    LiveCounts before_ = CurrentLiveCounts();
    testing::ComApartment apartment_;
};

TEST_P(SinkActions, LaterEventsStillReachWhoeverListens) {
    const SinkAction& action = GetParam();
    {
        Scene scene;
        scene.service.emplace(testing::Parse(kScenario), test_support::EventTime::Manual);
        scene.manager = Create<IMbnInterfaceManager>(CLSID_MbnInterfaceManager);
        ASSERT_EQ(scene.points.Find(scene.manager.Get()), S_OK);
        ASSERT_EQ(scene.points.Advise(scene.actor.Get()), S_OK);
        // Another window's manager and sink, untouched by the actor.
        auto otherManager = Create<IMbnInterfaceManager>(CLSID_MbnInterfaceManager);
        TwoPoints otherPoints;
        ASSERT_EQ(otherPoints.Find(otherManager.Get()), S_OK);
        auto witness = MakeComObject<ActionSink>();
        ASSERT_EQ(otherPoints.Advise(witness.Get()), S_OK);

        scene.actor->Arm([&] { action.inCallback(scene); });
        scene.service->AdvanceClock(10ms);
        if (action.meanwhile)
            action.meanwhile(scene);
        ASSERT_TRUE(scene.actor->WaitUntilActed());

        if (action.serviceLives) {
            scene.service->AdvanceClock(10ms);
            scene.service->WaitForEventsDelivered();
            EXPECT_EQ(scene.service->EventsDelivered(), 2u);
            EXPECT_TRUE(witness->Got("removal"));
            EXPECT_EQ(scene.fresh->Got("removal"), action.freshHearsLater);
            EXPECT_EQ(scene.actor->Got("removal"), action.actorHearsLater);
        }
        scene.Unadvise();
        otherPoints.Unadvise();
    }
    WaitForLiveCounts(before_);
    EXPECT_EQ(CurrentLiveCounts(), before_);
}

INSTANTIATE_TEST_SUITE_P(InsideACallback, SinkActions, ::testing::ValuesIn(kActions),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace paravue::simulated

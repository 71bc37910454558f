#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/accounting.h"
#include "platform/connection_point.h"
#include "platform/utf.h"
#include "service_test_support.h"
#include "tests/support/test_service.h"

namespace paravue::simulated {
namespace {

using namespace std::chrono_literals;
using test_support::EventTime;
using test_support::TestService;
using testing::ComApartment;
using testing::Create;
using testing::Parse;
using Log = std::vector<std::string>;

// Records every event with what the service passed along: the interface's ID
// or the registration's register state.
class RecordingSink final
    : public ComObject<RecordingSink, IMbnInterfaceManagerEvents, IMbnRegistrationEvents> {
  public:
    HRESULT OnInterfaceArrival(IMbnInterface* subject) override {
        return Record("OnInterfaceArrival", IdOf(subject));
    }
    HRESULT OnInterfaceRemoval(IMbnInterface* subject) override {
        return Record("OnInterfaceRemoval", IdOf(subject));
    }
    HRESULT OnRegisterModeAvailable(IMbnRegistration* r) override {
        return Record("OnRegisterModeAvailable", StateOf(r));
    }
    HRESULT OnRegisterStateChange(IMbnRegistration* r) override {
        return Record("OnRegisterStateChange", StateOf(r));
    }
    HRESULT OnPacketServiceStateChange(IMbnRegistration* r) override {
        return Record("OnPacketServiceStateChange", StateOf(r));
    }
    HRESULT OnSetRegisterModeComplete(IMbnRegistration* r, ULONG, HRESULT) override {
        return Record("OnSetRegisterModeComplete", StateOf(r));
    }

    Log Events() const {
        std::lock_guard lock(mutex_);
        return events_;
    }
    // Runs inside the next event, on the service's thread.
    void OnNextEvent(std::function<void()> action) {
        std::lock_guard lock(mutex_);
        action_ = std::move(action);
    }
    std::thread::id LastThread() const {
        std::lock_guard lock(mutex_);
        return thread_;
    }

  private:
    static std::string IdOf(IMbnInterface* subject) {
        UniqueBstr id;
        if (!subject)
            return "null";
        if (FAILED(subject->get_InterfaceID(id.Put())))
            return "no id";
        return Utf16ToUtf8(id.View());
    }
    static std::string StateOf(IMbnRegistration* r) {
        MBN_REGISTER_STATE state;
        if (!r)
            return "null";
        if (FAILED(r->GetRegisterState(&state)))
            return "no state";
        return std::to_string(state);
    }
    HRESULT Record(const char* name, const std::string& detail) {
        std::function<void()> action;
        {
            std::lock_guard lock(mutex_);
            events_.push_back(std::string(name) + "(" + detail + ")");
            thread_ = std::this_thread::get_id();
            action = std::exchange(action_, nullptr);
        }
        if (action)
            action();
        return S_OK;
    }

    mutable std::mutex mutex_;
    Log events_;
    std::function<void()> action_;
    std::thread::id thread_;
};

// One sink subscribed to both connection points of one interface manager.
struct Subscription {
    ComPtr<IConnectionPoint> points[2];
    DWORD cookies[2] = {0, 0};

    HRESULT Subscribe(IMbnInterfaceManager* manager, IUnknown* sink) {
        ComPtr<IConnectionPointContainer> container;
        if (HRESULT hr =
                manager->QueryInterface(IID_IConnectionPointContainer, container.PutVoid());
            FAILED(hr))
            return hr;
        const IID* iids[2] = {&IID_IMbnInterfaceManagerEvents, &IID_IMbnRegistrationEvents};
        for (int i = 0; i < 2; ++i) {
            if (HRESULT hr = container->FindConnectionPoint(*iids[i], points[i].Put()); FAILED(hr))
                return hr;
            if (HRESULT hr = points[i]->Advise(sink, &cookies[i]); FAILED(hr))
                return hr;
        }
        return S_OK;
    }
    void Unsubscribe() {
        for (int i = 0; i < 2; ++i)
            if (points[i] && cookies[i])
                points[i]->Unadvise(std::exchange(cookies[i], 0));
    }
};

constexpr char kEvents[] = R"({
  "interfaces": [{"interfaceId": "A", "registration": {"registerState": 2}}],
  "events": [
    {"afterMs": 10, "event": "OnRegisterModeAvailable"},
    {"afterMs": 1000, "event": "OnRegisterStateChange",
     "patch": {"interfaces": [{"interfaceId": "A", "registration": {"registerState": 3}}]}},
    {"afterMs": 1000, "event": "OnInterfaceArrival",
     "patch": {"interfaces": [{"interfaceId": "A", "registration": {"registerState": 3}},
                              {"interfaceId": "B"}]},
     "interface": 1},
    {"afterMs": 2500, "event": "OnInterfaceRemoval", "patch": {"interfaces": []}},
    {"afterMs": 2500, "event": "OnPacketServiceStateChange"}
  ]})";

class Events : public ::testing::Test {
  protected:
    ComApartment apartment_;
    IUnknown* Sink() const { return static_cast<IMbnInterfaceManagerEvents*>(sink_.Get()); }
    ComPtr<RecordingSink> sink_ = MakeComObject<RecordingSink>();
};

TEST_F(Events, FireInOrderOnceDueWithTheirPatchesApplied) {
    TestService service(Parse(kEvents), EventTime::Manual);
    auto manager = Create<IMbnInterfaceManager>(CLSID_MbnInterfaceManager);
    Subscription subscription;
    ASSERT_EQ(subscription.Subscribe(manager.Get(), Sink()), S_OK);
    EXPECT_EQ(service.SubscriberCount(), 2u);
    service.WaitForEventsDelivered();
    EXPECT_EQ(service.EventsDelivered(), 0u);

    service.AdvanceClock(10ms);
    service.WaitForEventsDelivered();
    EXPECT_EQ(sink_->Events(), Log{"OnRegisterModeAvailable(2)"});
    EXPECT_NE(sink_->LastThread(), std::this_thread::get_id());

    service.AdvanceClock(989ms);
    service.WaitForEventsDelivered();
    EXPECT_EQ(service.EventsDelivered(), 1u);

    service.AdvanceClock(1ms);
    service.WaitForEventsDelivered();
    EXPECT_EQ(sink_->Events(), (Log{"OnRegisterModeAvailable(2)", "OnRegisterStateChange(3)",
                                    "OnInterfaceArrival(B)"}));
    // A new listing sees the patched state.
    auto second = testing::InterfaceAt(1);
    ASSERT_TRUE(second);

    service.AdvanceClock(1500ms);
    service.WaitForEventsDelivered();
    // The removed interface is passed as it was; the registration event after it
    // finds no interface and passes null.
    EXPECT_EQ(sink_->Events(), (Log{"OnRegisterModeAvailable(2)", "OnRegisterStateChange(3)",
                                    "OnInterfaceArrival(B)", "OnInterfaceRemoval(A)",
                                    "OnPacketServiceStateChange(null)"}));
    EXPECT_EQ(service.EventsDelivered(), 5u);
    EXPECT_FALSE(testing::InterfaceAt(0));
    subscription.Unsubscribe();
    EXPECT_EQ(service.SubscriberCount(), 0u);
}

TEST_F(Events, ObjectsKeepAnsweringFromTheirOwnSnapshot) {
    TestService service(Parse(kEvents), EventTime::Manual);
    auto before = testing::InterfaceAt(0);
    auto manager = Create<IMbnInterfaceManager>(CLSID_MbnInterfaceManager);
    Subscription subscription;
    ASSERT_EQ(subscription.Subscribe(manager.Get(), Sink()), S_OK);
    service.AdvanceClock(1000ms);
    service.WaitForEventsDelivered();
    ASSERT_EQ(service.EventsDelivered(), 3u);

    auto old = testing::Part<IMbnRegistration>(before);
    auto now = testing::Part<IMbnRegistration>(testing::InterfaceAt(0));
    MBN_REGISTER_STATE state;
    ASSERT_EQ(old->GetRegisterState(&state), S_OK);
    EXPECT_EQ(state, MBN_REGISTER_STATE_SEARCHING);
    ASSERT_EQ(now->GetRegisterState(&state), S_OK);
    EXPECT_EQ(state, MBN_REGISTER_STATE_HOME);
    subscription.Unsubscribe();
}

TEST_F(Events, TheClockStartsAtTheFirstSuccessfulSubscription) {
    TestService service(Parse(kEvents), EventTime::Manual);
    service.AdvanceClock(5000ms);  // nobody listens yet: nothing is due
    service.WaitForEventsDelivered();
    EXPECT_EQ(service.EventsDelivered(), 0u);

    auto manager = Create<IMbnInterfaceManager>(CLSID_MbnInterfaceManager);
    service.FailAdvise(IID_IMbnInterfaceManagerEvents, CONNECT_E_CANNOTCONNECT);
    Subscription refused;
    EXPECT_EQ(refused.Subscribe(manager.Get(), Sink()), CONNECT_E_CANNOTCONNECT);
    service.WaitForEventsDelivered();
    EXPECT_EQ(service.EventsDelivered(), 0u);

    service.FailAdvise(IID_IMbnInterfaceManagerEvents, S_OK);
    Subscription subscription;
    ASSERT_EQ(subscription.Subscribe(manager.Get(), Sink()), S_OK);
    service.AdvanceClock(999ms);
    service.WaitForEventsDelivered();
    EXPECT_EQ(service.EventsDelivered(), 1u);  // the clock counts from this subscription
    subscription.Unsubscribe();
}

TEST_F(Events, CallsMadeWhileDeliveringAreNotLogged) {
    TestService service(Parse(kEvents), EventTime::Manual);
    auto manager = Create<IMbnInterfaceManager>(CLSID_MbnInterfaceManager);
    service.ClearCallLog();
    service.FailCall(1, E_FAIL);  // would break the sink's GetRegisterState if it counted
    Subscription subscription;
    ASSERT_EQ(subscription.Subscribe(manager.Get(), Sink()), S_OK);
    service.AdvanceClock(10ms);
    service.WaitForEventsDelivered();
    EXPECT_EQ(sink_->Events(), Log{"OnRegisterModeAvailable(2)"});
    EXPECT_TRUE(service.CallLog().empty());
    subscription.Unsubscribe();
}

TEST_F(Events, EveryManagerSharesTheSameConnectionPoints) {
    TestService service(Parse(kEvents), EventTime::Manual);
    auto windowManager = Create<IMbnInterfaceManager>(CLSID_MbnInterfaceManager);
    Subscription subscription;
    ASSERT_EQ(subscription.Subscribe(windowManager.Get(), Sink()), S_OK);
    windowManager.Reset();
    auto other = Create<IMbnInterfaceManager>(CLSID_MbnInterfaceManager);
    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(other.As(&container), S_OK);
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(container->FindConnectionPoint(IID_IMbnRegistrationEvents, point.Put()), S_OK);
    EXPECT_EQ(point->Unadvise(subscription.cookies[1]), S_OK);
    EXPECT_EQ(service.SubscriberCount(), 1u);
    EXPECT_EQ(container->FindConnectionPoint(IID_IMbnInterface, point.Put()),
              CONNECT_E_NOCONNECTION);
    subscription.Unsubscribe();
}

TEST_F(Events, SubscriptionFaultsForStartUp) {
    TestService service(Parse(kEvents), EventTime::Manual);
    auto manager = Create<IMbnInterfaceManager>(CLSID_MbnInterfaceManager);
    Subscription subscription;
    service.FailConnectionPointContainer(E_NOINTERFACE);
    EXPECT_EQ(subscription.Subscribe(manager.Get(), Sink()), E_NOINTERFACE);
    service.FailConnectionPointContainer(S_OK);
    service.FailFindConnectionPoint(IID_IMbnRegistrationEvents, E_UNEXPECTED);
    EXPECT_EQ(subscription.Subscribe(manager.Get(), Sink()), E_UNEXPECTED);
    // The first point was subscribed before the second one failed.
    EXPECT_EQ(service.SubscriberCount(), 1u);
    subscription.Unsubscribe();
    EXPECT_EQ(service.SubscriberCount(), 0u);
}

TEST_F(Events, ASinkThatUnsubscribesDuringAnEventGetsNoMore) {
    TestService service(Parse(kEvents), EventTime::Manual);
    auto manager = Create<IMbnInterfaceManager>(CLSID_MbnInterfaceManager);
    Subscription subscription;
    ASSERT_EQ(subscription.Subscribe(manager.Get(), Sink()), S_OK);
    service.AdvanceClock(10ms);
    service.WaitForEventsDelivered();
    sink_->OnNextEvent([&] { subscription.Unsubscribe(); });
    service.AdvanceClock(3000ms);
    service.WaitForEventsDelivered();
    EXPECT_EQ(service.EventsDelivered(), 5u);
    EXPECT_EQ(sink_->Events(), (Log{"OnRegisterModeAvailable(2)", "OnRegisterStateChange(3)"}));
    EXPECT_EQ(service.SubscriberCount(), 0u);
}

TEST_F(Events, UnsubscribingFromAnotherThreadBetweenEvents) {
    TestService service(Parse(kEvents), EventTime::Manual);
    auto manager = Create<IMbnInterfaceManager>(CLSID_MbnInterfaceManager);
    Subscription subscription;
    ASSERT_EQ(subscription.Subscribe(manager.Get(), Sink()), S_OK);
    service.AdvanceClock(10ms);
    service.WaitForEventsDelivered();
    subscription.Unsubscribe();
    service.AdvanceClock(3000ms);
    service.WaitForEventsDelivered();
    EXPECT_EQ(service.EventsDelivered(), 5u);  // still fired, to nobody
    EXPECT_EQ(sink_->Events(), Log{"OnRegisterModeAvailable(2)"});
}

TEST_F(Events, RealClockDeliversEventsInOrder) {
    TestService service(Parse(R"({"interfaces": [{"interfaceId": "A"}],
        "events": [{"event": "OnInterfaceArrival", "afterMs": 200},
                   {"event": "OnSetRegisterModeComplete", "interface": 4}]})"));
    auto manager = Create<IMbnInterfaceManager>(CLSID_MbnInterfaceManager);
    Subscription subscription;
    ASSERT_EQ(subscription.Subscribe(manager.Get(), Sink()), S_OK);
    service.WaitForAllEventsDelivered();
    EXPECT_EQ(sink_->Events(), (Log{"OnInterfaceArrival(A)", "OnSetRegisterModeComplete(null)"}));
    subscription.Unsubscribe();
}

TEST_F(Events, DestroyingTheServiceDropsPendingEventsAndSubscriptions) {
    LiveCounts before = CurrentLiveCounts();
    {
        // Real clock, an event an hour away: the destructor must not wait for it.
        TestService service(Parse(R"({"interfaces": [{"interfaceId": "A"}], "events": [
            {"event": "OnInterfaceArrival"},
            {"afterMs": 3600000, "event": "OnRegisterStateChange"}]})"));
        auto manager = Create<IMbnInterfaceManager>(CLSID_MbnInterfaceManager);
        Subscription subscription;
        ASSERT_EQ(subscription.Subscribe(manager.Get(), Sink()), S_OK);
        service.WaitForEventsDelivered();  // the first; the second is an hour away
        EXPECT_EQ(service.EventsDelivered(), 1u);
        EXPECT_EQ(sink_->AddRef(), 4u);  // ours, two subscriptions, this call
        sink_->Release();
    }
    // The subscriptions were withdrawn: only our own reference is left.
    EXPECT_EQ(sink_->AddRef(), 2u);
    sink_->Release();
    EXPECT_EQ(sink_->Events(), Log{"OnInterfaceArrival(A)"});
    EXPECT_EQ(CurrentLiveCounts(), before);
}

}  // namespace
}  // namespace paravue::simulated

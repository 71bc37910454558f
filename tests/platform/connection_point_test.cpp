#include "platform/connection_point.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "platform/mbn.h"

namespace paravue {
namespace {

class Sink final : public ComObject<Sink, IMbnRegistrationEvents> {
  public:
    std::atomic<int> calls{0};
    std::atomic<bool> inside{false};
    std::function<void()> during;

    HRESULT OnRegisterModeAvailable(IMbnRegistration*) override { return Count(); }
    HRESULT OnRegisterStateChange(IMbnRegistration*) override { return Count(); }
    HRESULT OnPacketServiceStateChange(IMbnRegistration*) override { return Count(); }
    HRESULT OnSetRegisterModeComplete(IMbnRegistration*, ULONG, HRESULT) override { return S_OK; }

  private:
    HRESULT Count() {
        inside = true;
        if (during)
            during();
        ++calls;
        inside = false;
        return S_OK;
    }
};

void Deliver(IUnknown* sink) {
    static_cast<IMbnRegistrationEvents*>(sink)->OnRegisterStateChange(nullptr);
}

TEST(ConnectionPoint, AdviseQueriesTheEventInterface) {
    auto point = MakeComObject<ConnectionPoint>(IID_IMbnRegistrationEvents);
    auto wrong = MakeComObject<ConnectionPoint>(IID_IMbnInterfaceManagerEvents);
    auto sink = MakeComObject<Sink>();
    DWORD cookie = 99;
    EXPECT_EQ(wrong->Advise(static_cast<IMbnRegistrationEvents*>(sink.Get()), &cookie),
              CONNECT_E_CANNOTCONNECT);
    EXPECT_EQ(point->Advise(nullptr, &cookie), E_POINTER);
    ASSERT_EQ(point->Advise(static_cast<IMbnRegistrationEvents*>(sink.Get()), &cookie), S_OK);
    point->Fire(Deliver);
    point->Fire(Deliver);
    EXPECT_EQ(sink->calls, 2);
    EXPECT_EQ(point->Unadvise(cookie), S_OK);
    EXPECT_EQ(point->Unadvise(cookie), CONNECT_E_NOCONNECTION);
    point->Fire(Deliver);
    EXPECT_EQ(sink->calls, 2);
}

TEST(ConnectionPoint, UnadviseWaitsForACallInFlight) {
    auto point = MakeComObject<ConnectionPoint>(IID_IMbnRegistrationEvents);
    auto sink = MakeComObject<Sink>();
    std::promise<void> entered, release;
    auto released = release.get_future().share();
    sink->during = [&] {
        entered.set_value();
        released.wait();
    };
    DWORD cookie;
    ASSERT_EQ(point->Advise(static_cast<IMbnRegistrationEvents*>(sink.Get()), &cookie), S_OK);
    std::thread service([&] { point->Fire(Deliver); });
    entered.get_future().wait();
    auto unadvised = std::async(std::launch::async, [&] { return point->Unadvise(cookie); });
    // Still blocked while the sink is inside its call.
    EXPECT_EQ(unadvised.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    release.set_value();
    EXPECT_EQ(unadvised.get(), S_OK);
    EXPECT_FALSE(sink->inside);
    EXPECT_EQ(sink->calls, 1);
    service.join();
}

TEST(ConnectionPoint, SinkMayUnadviseFromInsideItsOwnCall) {
    auto point = MakeComObject<ConnectionPoint>(IID_IMbnRegistrationEvents);
    auto sink = MakeComObject<Sink>();
    DWORD cookie;
    ASSERT_EQ(point->Advise(static_cast<IMbnRegistrationEvents*>(sink.Get()), &cookie), S_OK);
    HRESULT fromInside = E_FAIL;
    sink->during = [&] { fromInside = point->Unadvise(cookie); };
    point->Fire(Deliver);
    EXPECT_EQ(fromInside, S_OK);
    EXPECT_EQ(point->SubscriberCount(), 0u);
    point->Fire(Deliver);
    EXPECT_EQ(sink->calls, 1);
}

TEST(ConnectionPoint, DisconnectAllReleasesEverySink) {
    auto point = MakeComObject<ConnectionPoint>(IID_IMbnRegistrationEvents);
    auto sink = MakeComObject<Sink>();
    DWORD a, b;
    ASSERT_EQ(point->Advise(static_cast<IMbnRegistrationEvents*>(sink.Get()), &a), S_OK);
    ASSERT_EQ(point->Advise(static_cast<IMbnRegistrationEvents*>(sink.Get()), &b), S_OK);
    EXPECT_NE(a, b);
    EXPECT_EQ(point->SubscriberCount(), 2u);
    point->DisconnectAll();
    EXPECT_EQ(point->SubscriberCount(), 0u);
    EXPECT_EQ(sink->AddRef(), 2u);  // only ours is left (plus this one)
    sink->Release();
}

}  // namespace
}  // namespace paravue

// The event sinks: what they accept in QueryInterface, and that each service
// event becomes exactly one notification posted to the main window, if any.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "app/mbn_sinks.h"
#include "platform/connection_point.h"
#include "test_window.h"
#include "tests/support/bstr_literal.h"

namespace paravue::app {
namespace {

using test_support::EventRecorder;
using Kind = MbnNotification::Kind;

// An interface whose ID can be read or not; nothing else is asked of it.
class FakeInterface final : public ComObject<FakeInterface, IMbnInterface> {
  public:
    explicit FakeInterface(HRESULT idStatus) : idStatus_(idStatus) {}
    HRESULT get_InterfaceID(BSTR* id) override {
        *id = nullptr;
        if (FAILED(idStatus_))
            return idStatus_;
        *id = SysAllocString(u"{IF-1}");
        return S_OK;
    }
    HRESULT GetInterfaceCapability(MBN_INTERFACE_CAPS*) override { return E_NOTIMPL; }
    HRESULT GetSubscriberInformation(IMbnSubscriberInformation**) override { return E_NOTIMPL; }
    HRESULT GetReadyState(MBN_READY_STATE*) override { return E_NOTIMPL; }
    HRESULT InEmergencyMode(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT GetHomeProvider(MBN_PROVIDER*) override { return E_NOTIMPL; }
    HRESULT GetPreferredProviders(SAFEARRAY**) override { return E_NOTIMPL; }
    HRESULT GetConnection(IMbnConnection**) override { return E_NOTIMPL; }

  private:
    HRESULT idStatus_;
};

class SinksTest : public ::testing::Test {
  protected:
    void SetUp() override { slot.Set(&window); }
    void TearDown() override { slot.Set(nullptr); }
    std::vector<Kind> Delivered() {
        QCoreApplication::sendPostedEvents();  // the window's relay, then the window
        return std::exchange(window.kinds, {});
    }

    EventRecorder window;
    MainWindowSlot slot;
    ComPtr<CMbnInterfaceManagerSinks> interfaceSinks =
        MakeComObject<CMbnInterfaceManagerSinks>(slot);
    ComPtr<CMbnRegistrationSinks> registrationSinks = MakeComObject<CMbnRegistrationSinks>(slot);
};

template <class Sink>
void ExpectQueryInterfaceRules(Sink* sink, const IID& ownIid, const IID& otherEventIid) {
    EXPECT_EQ(sink->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    for (const IID* accepted : std::initializer_list<const IID*>{&IID_IUnknown, &ownIid}) {
        void* out = nullptr;
        ASSERT_EQ(sink->QueryInterface(*accepted, &out), S_OK);
        EXPECT_EQ(out, static_cast<void*>(static_cast<IUnknown*>(sink)));
        EXPECT_EQ(sink->Release(), 1u);  // the query took a reference of its own
    }
    for (const IID* refused : std::initializer_list<const IID*>{&otherEventIid, &IID_IMbnInterface,
                                                                &IID_IConnectionPoint}) {
        void* out = &out;  // must come back null
        EXPECT_EQ(sink->QueryInterface(*refused, &out), E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);
    }
}

TEST_F(SinksTest, QueryInterfaceOffersIUnknownAndTheSinksOwnEventInterfaceOnly) {
    ExpectQueryInterfaceRules(interfaceSinks.Get(), IID_IMbnInterfaceManagerEvents,
                              IID_IMbnRegistrationEvents);
    ExpectQueryInterfaceRules(registrationSinks.Get(), IID_IMbnRegistrationEvents,
                              IID_IMbnInterfaceManagerEvents);
}

TEST_F(SinksTest, InterfaceEventsPostOnlyWhenTheInterfaceIdCanBeRead) {
    ComPtr<FakeInterface> readable = MakeComObject<FakeInterface>(S_OK);
    ComPtr<FakeInterface> unreadable = MakeComObject<FakeInterface>(E_MBN_FAILURE);

    EXPECT_EQ(interfaceSinks->OnInterfaceArrival(readable.Get()), S_OK);
    EXPECT_EQ(interfaceSinks->OnInterfaceRemoval(readable.Get()), S_OK);
    EXPECT_EQ(Delivered(), (std::vector{Kind::InterfaceArrival, Kind::InterfaceRemoval}));

    EXPECT_EQ(interfaceSinks->OnInterfaceArrival(unreadable.Get()), S_OK);
    EXPECT_EQ(interfaceSinks->OnInterfaceRemoval(unreadable.Get()), S_OK);
    EXPECT_EQ(interfaceSinks->OnInterfaceArrival(nullptr), S_OK);
    EXPECT_EQ(interfaceSinks->OnInterfaceRemoval(nullptr), S_OK);
    EXPECT_EQ(Delivered(), std::vector<Kind>{});
}

TEST_F(SinksTest, RegistrationEventsPostTheirOwnNotificationAndModeCompletionNothing) {
    EXPECT_EQ(registrationSinks->OnRegisterModeAvailable(nullptr), S_OK);
    EXPECT_EQ(registrationSinks->OnRegisterStateChange(nullptr), S_OK);
    EXPECT_EQ(registrationSinks->OnPacketServiceStateChange(nullptr), S_OK);
    EXPECT_EQ(registrationSinks->OnSetRegisterModeComplete(nullptr, 7, E_FAIL), S_OK);
    EXPECT_EQ(Delivered(), (std::vector{Kind::RegisterModeAvailable, Kind::RegisterState,
                                        Kind::PacketServiceState}));
}

TEST_F(SinksTest, ABurstPostsOneNotificationPerEventInOrder) {
    std::vector<Kind> expected;
    for (int i = 0; i < 40; ++i) {
        if (i % 3 == 0) {
            registrationSinks->OnPacketServiceStateChange(nullptr);
            expected.push_back(Kind::PacketServiceState);
        } else {
            registrationSinks->OnRegisterStateChange(nullptr);
            expected.push_back(Kind::RegisterState);
        }
    }
    EXPECT_EQ(Delivered(), expected);
}

TEST_F(SinksTest, WithoutAMainWindowNothingIsPostedAndTheServiceStillSeesSuccess) {
    slot.Set(nullptr);
    ComPtr<FakeInterface> readable = MakeComObject<FakeInterface>(S_OK);
    EXPECT_EQ(interfaceSinks->OnInterfaceArrival(readable.Get()), S_OK);
    EXPECT_EQ(registrationSinks->OnRegisterStateChange(nullptr), S_OK);
    EXPECT_EQ(Delivered(), std::vector<Kind>{});
}

TEST(MainWindowSlotTest, OnceClearedNoThreadPostsAndTheWindowMayGo) {
    MainWindowSlot slot;
    auto window = std::make_unique<EventRecorder>();
    slot.Set(window.get());
    ComPtr<CMbnRegistrationSinks> sinks = MakeComObject<CMbnRegistrationSinks>(slot);

    std::atomic<bool> stop = false;
    std::atomic<int> calls = 0;
    std::vector<std::thread> services;
    for (int t = 0; t < 4; ++t)
        services.emplace_back([&] {
            while (!stop) {
                sinks->OnRegisterStateChange(nullptr);
                calls.fetch_add(1);
            }
        });
    while (calls < 200)
        std::this_thread::yield();

    slot.Set(nullptr);
    QCoreApplication::sendPostedEvents();
    const std::size_t beforeClearing = window->kinds.size();
    EXPECT_GE(beforeClearing, 1u);
    const int callsAtClearing = calls;
    while (calls < callsAtClearing + 200)
        std::this_thread::yield();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(window->kinds.size(), beforeClearing);

    // Under AddressSanitizer a post racing the clearing would touch the dead window.
    window.reset();
    stop = true;
    for (std::thread& service : services)
        service.join();
    QCoreApplication::sendPostedEvents();
}

}  // namespace
}  // namespace paravue::app

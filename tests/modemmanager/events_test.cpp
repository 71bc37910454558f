#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/com_object.h"
#include "platform/connection_point.h"
#include "platform/utf.h"
#include "service_fixture.h"
// After the boundary's headers: glib makes TRUE and FALSE macros.
#include <gio/gio.h>

using paravue::ComPtr;

namespace {

// Records every event as a word, for the test to wait on.
class EventLog {
  public:
    void Add(std::string event) {
        {
            std::lock_guard lock(mutex_);
            events_.push_back(std::move(event));
        }
        changed_.notify_all();
    }
    // Waits until `event` has been recorded `times` times; a generous bound
    // keeps a broken build from hanging the suite.
    bool WaitFor(const std::string& event, std::ptrdiff_t times = 1) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(5),
                                 [&] { return CountLocked(event) >= times; });
    }
    std::ptrdiff_t Count(const std::string& event) {
        std::lock_guard lock(mutex_);
        return CountLocked(event);
    }

  private:
    std::ptrdiff_t CountLocked(const std::string& event) const {
        return std::count(events_.begin(), events_.end(), event);
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> events_;
};

class ManagerSink final : public paravue::ComObject<ManagerSink, IMbnInterfaceManagerEvents> {
  public:
    explicit ManagerSink(EventLog& log) : log_(log) {}
    HRESULT OnInterfaceArrival(IMbnInterface* modem) override { return Record("arrival", modem); }
    HRESULT OnInterfaceRemoval(IMbnInterface* modem) override { return Record("removal", modem); }

  private:
    HRESULT Record(const std::string& what, IMbnInterface* modem) {
        paravue::UniqueBstr id;
        if (modem && SUCCEEDED(modem->get_InterfaceID(id.Put())))
            log_.Add(what + ":" + paravue::Utf16ToUtf8(id.View()));
        return S_OK;
    }
    EventLog& log_;
};

class RegistrationSink final : public paravue::ComObject<RegistrationSink, IMbnRegistrationEvents> {
  public:
    explicit RegistrationSink(EventLog& log) : log_(log) {}
    HRESULT OnRegisterModeAvailable(IMbnRegistration*) override { return Record("mode"); }
    HRESULT OnRegisterStateChange(IMbnRegistration* r) override {
        MBN_REGISTER_STATE state{};
        if (r && SUCCEEDED(r->GetRegisterState(&state)))
            log_.Add("state:" + std::to_string(state));
        return S_OK;
    }
    HRESULT OnPacketServiceStateChange(IMbnRegistration*) override { return Record("packet"); }
    HRESULT OnSetRegisterModeComplete(IMbnRegistration*, ULONG, HRESULT) override {
        return Record("complete");
    }

  private:
    HRESULT Record(const char* what) {
        log_.Add(what);
        return S_OK;
    }
    EventLog& log_;
};

class EventsTest : public ServiceTest {
  protected:
    void Subscribe() {
        ASSERT_EQ(CreateManager(&manager_), S_OK);
        ComPtr<IConnectionPointContainer> container;
        ASSERT_EQ(manager_.As(&container), S_OK);
        ASSERT_EQ(
            container->FindConnectionPoint(IID_IMbnInterfaceManagerEvents, managerPoint_.Put()),
            S_OK);
        ASSERT_EQ(
            container->FindConnectionPoint(IID_IMbnRegistrationEvents, registrationPoint_.Put()),
            S_OK);
        auto managerSink = paravue::MakeComObject<ManagerSink>(log_);
        auto registrationSink = paravue::MakeComObject<RegistrationSink>(log_);
        ASSERT_EQ(managerPoint_->Advise(managerSink.Get(), &managerCookie_), S_OK);
        ASSERT_EQ(registrationPoint_->Advise(registrationSink.Get(), &registrationCookie_), S_OK);
    }
    void TearDown() override {
        if (managerPoint_) {
            EXPECT_EQ(managerPoint_->Unadvise(managerCookie_), S_OK);
        }
        if (registrationPoint_) {
            EXPECT_EQ(registrationPoint_->Unadvise(registrationCookie_), S_OK);
        }
        managerPoint_.Reset();
        registrationPoint_.Reset();
        manager_.Reset();
        ServiceTest::TearDown();
    }

    EventLog log_;
    ComPtr<IMbnInterfaceManager> manager_;
    ComPtr<IConnectionPoint> managerPoint_;
    ComPtr<IConnectionPoint> registrationPoint_;
    DWORD managerCookie_ = 0;
    DWORD registrationCookie_ = 0;
};

TEST_F(EventsTest, ModemArrivalStateChangesAndRemovalReachTheSinks) {
    ASSERT_TRUE(daemon_.Start());
    Subscribe();
    ASSERT_TRUE(daemon_.AddModem(0));
    EXPECT_TRUE(log_.WaitFor("arrival:wwan0"));

    ASSERT_TRUE(
        daemon_.Call("SetModemProperty",
                     g_variant_new("(ussv)", 0u, "org.freedesktop.ModemManager1.Modem.Modem3gpp",
                                   "RegistrationState", g_variant_new_uint32(5))));
    EXPECT_TRUE(log_.WaitFor("state:" + std::to_string(MBN_REGISTER_STATE_ROAMING)));

    ASSERT_TRUE(
        daemon_.Call("SetModemProperty",
                     g_variant_new("(ussv)", 0u, "org.freedesktop.ModemManager1.Modem.Modem3gpp",
                                   "PacketServiceState", g_variant_new_uint32(1))));
    EXPECT_TRUE(log_.WaitFor("packet"));

    ASSERT_TRUE(daemon_.Call("RemoveModem", g_variant_new("(u)", 0u)));
    EXPECT_TRUE(log_.WaitFor("removal:wwan0"));
}

TEST_F(EventsTest, GainingThe3gppInterfaceMakesTheRegisterModeAvailable) {
    ASSERT_TRUE(daemon_.Start());
    ASSERT_TRUE(daemon_.AddModem(0, g_variant_new_parsed("{'gpp': <false>}")));
    Subscribe();
    ASSERT_TRUE(daemon_.Call("AddModem3gpp", g_variant_new("(u)", 0u)));
    EXPECT_TRUE(log_.WaitFor("mode"));
}

TEST_F(EventsTest, DaemonStartingAndStoppingArrivesAndRemovesItsModems) {
    Subscribe();  // before the daemon exists
    ASSERT_TRUE(daemon_.Start());
    ASSERT_TRUE(daemon_.AddModem(0));
    EXPECT_TRUE(log_.WaitFor("arrival:wwan0"));
    daemon_.Kill();
    EXPECT_TRUE(log_.WaitFor("removal:wwan0"));
}

// gio forgets a daemon's objects on its leaving only once their listing is
// in: a daemon that announces a modem and dies before it answers the
// listing must still take the modem with it, once and only once.
TEST_F(EventsTest, DaemonDyingBeforeItListsStillRemovesTheModemItAnnounced) {
    Subscribe();
    ASSERT_TRUE(daemon_.Start(R"({"listing": "announce-then-hang"})"));
    EXPECT_TRUE(log_.WaitFor("arrival:wwan0"));
    daemon_.Kill();
    EXPECT_TRUE(log_.WaitFor("removal:wwan0"));

    // When the daemon comes back, the modem it left behind is not removed
    // a second time, and the new one arrives.
    ASSERT_TRUE(daemon_.Start());
    ASSERT_TRUE(daemon_.AddModem(0));
    EXPECT_TRUE(log_.WaitFor("arrival:wwan0", 2));
    EXPECT_EQ(log_.Count("removal:wwan0"), 1);
}

// Subscribing does not wait for a daemon that does not answer, and the last
// unsubscription ends the follower at once, not at the end of its wait.
TEST_F(EventsTest, AFrozenDaemonHoldsUpNeitherSubscribingNorUnsubscribing) {
    ASSERT_TRUE(daemon_.Start());
    daemon_.Freeze();
    auto started = std::chrono::steady_clock::now();
    Subscribe();
    EXPECT_LT(std::chrono::steady_clock::now() - started, kCallBound / 2);
    started = std::chrono::steady_clock::now();
    EXPECT_EQ(managerPoint_->Unadvise(std::exchange(managerCookie_, 0)), S_OK);
    EXPECT_EQ(registrationPoint_->Unadvise(std::exchange(registrationCookie_, 0)), S_OK);
    EXPECT_LT(std::chrono::steady_clock::now() - started, kCallBound / 2);
    managerPoint_.Reset();
    registrationPoint_.Reset();
}

}  // namespace

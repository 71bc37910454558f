// A sink for both event interfaces that records what reaches it and, on the
// first registration event after Arm, runs an action inside that callback on
// the service's thread: what a window's sink might do at the worst moment.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/accounting.h"
#include "platform/com_object.h"
#include "platform/connection_point.h"
#include "platform/mbn.h"

namespace paravue::test_support {

class ActionSink final
    : public ComObject<ActionSink, IMbnInterfaceManagerEvents, IMbnRegistrationEvents> {
  public:
    HRESULT OnInterfaceArrival(IMbnInterface*) override { return Record("arrival"); }
    HRESULT OnInterfaceRemoval(IMbnInterface*) override { return Record("removal"); }
    HRESULT OnRegisterModeAvailable(IMbnRegistration*) override { return Registration("mode"); }
    HRESULT OnRegisterStateChange(IMbnRegistration*) override { return Registration("state"); }
    HRESULT OnPacketServiceStateChange(IMbnRegistration*) override {
        return Registration("packet");
    }
    HRESULT OnSetRegisterModeComplete(IMbnRegistration*, ULONG, HRESULT) override {
        return Registration("complete");
    }

    void Arm(std::function<void()> action) {
        std::lock_guard lock(mutex_);
        action_ = std::move(action);
        acted_ = false;
    }
    // Waits (a generous bound keeps a broken build from hanging) until the
    // armed action has returned.
    bool WaitUntilActed() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return acted_; });
    }
    bool WaitFor(const std::string& event) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return Seen(event); });
    }
    bool Got(const std::string& event) const {
        std::lock_guard lock(mutex_);
        return Seen(event);
    }

  private:
    bool Seen(const std::string& event) const {
        for (const std::string& e : events_)
            if (e == event)
                return true;
        return false;
    }
    HRESULT Registration(const char* what) {
        std::function<void()> action;
        {
            std::lock_guard lock(mutex_);
            action = std::exchange(action_, nullptr);
        }
        if (action) {
            action();
            std::lock_guard lock(mutex_);
            acted_ = true;
        }
        return Record(what);
    }
    HRESULT Record(const char* what) {
        {
            std::lock_guard lock(mutex_);
            events_.emplace_back(what);
        }
        changed_.notify_all();
        return S_OK;
    }

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> events_;
    std::function<void()> action_;
    bool acted_ = false;
};

// A callback tells the test thread when it may act alongside it.
class Handoff {
  public:
    void Signal() {
        {
            std::lock_guard lock(mutex_);
            signalled_ = true;
        }
        changed_.notify_all();
    }
    bool Wait() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return signalled_; });
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool signalled_ = false;
};

// Waits, within a generous bound, until what lives is back at `before`: a
// thread that ended its own service from inside a handler finishes by itself,
// shortly after.
inline void WaitForLiveCounts(const LiveCounts& before) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (CurrentLiveCounts() != before && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

// One sink on both points of one interface manager.
struct TwoPoints {
    ComPtr<IConnectionPoint> manager, registration;
    DWORD managerCookie = 0, registrationCookie = 0;

    HRESULT Find(IMbnInterfaceManager* owner) {
        ComPtr<IConnectionPointContainer> container;
        if (HRESULT hr = owner->QueryInterface(IID_IConnectionPointContainer, container.PutVoid());
            FAILED(hr))
            return hr;
        if (HRESULT hr =
                container->FindConnectionPoint(IID_IMbnInterfaceManagerEvents, manager.Put());
            FAILED(hr))
            return hr;
        return container->FindConnectionPoint(IID_IMbnRegistrationEvents, registration.Put());
    }
    HRESULT Advise(ActionSink* sink) {
        auto* unknown = static_cast<IMbnRegistrationEvents*>(sink);
        if (HRESULT hr = manager->Advise(unknown, &managerCookie); FAILED(hr))
            return hr;
        return registration->Advise(unknown, &registrationCookie);
    }
    void Unadvise() {
        if (manager && managerCookie)
            manager->Unadvise(std::exchange(managerCookie, 0));
        if (registration && registrationCookie)
            registration->Unadvise(std::exchange(registrationCookie, 0));
    }
    void Release() {
        manager.Reset();
        registration.Reset();
    }
};

// What one test shares with the callback that acts on it. `Service` is what
// the callback may end the service through; first, so that it goes last.
template <class Service>
struct ActionScene {
    Service service{};
    ComPtr<IMbnInterfaceManager> manager;  // the actor's
    TwoPoints points;
    ComPtr<ActionSink> actor = MakeComObject<ActionSink>();
    ComPtr<ActionSink> fresh = MakeComObject<ActionSink>();  // advised from inside the callback
    DWORD freshCookie = 0;
    Handoff inside;  // the callback lets the test thread act alongside it

    // Ends the subscriptions the callback left.
    void Unadvise() {
        if (points.manager && freshCookie)
            points.manager->Unadvise(std::exchange(freshCookie, 0));
        points.Unadvise();
    }
};

}  // namespace paravue::test_support

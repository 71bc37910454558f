#include "platform/simulated/event_scheduler.h"

#include "platform/simulated/interface_object.h"

namespace paravue::simulated {
namespace {

ComPtr<IMbnInterface> InterfaceOf(const std::shared_ptr<const Scenario>& state, std::size_t index) {
    auto data = InterfaceAt(state, index);
    return data ? MakeObject(std::move(data)) : nullptr;
}

ComPtr<IMbnRegistration> RegistrationOf(const std::shared_ptr<const Scenario>& state,
                                        std::size_t index) {
    auto data = InterfaceAt(state, index);
    if (!data || data->registration.Failed())
        return nullptr;
    return MakeObject(std::shared_ptr<const Registration>(data, &data->registration.value));
}

}  // namespace

std::shared_ptr<EventScheduler> EventScheduler::Launch(std::shared_ptr<ServiceCore> core,
                                                       std::vector<Event> events,
                                                       std::shared_ptr<const JsonValue> document,
                                                       std::shared_ptr<EventClock> clock) {
    if (!clock)
        clock = std::make_shared<EventClock>();
    auto scheduler = std::make_shared<EventScheduler>(Key{}, std::move(core), std::move(events),
                                                      std::move(document), clock);
    clock->SetWaker([weak = std::weak_ptr<EventScheduler>(scheduler)] {
        if (auto self = weak.lock()) {
            std::lock_guard lock(self->mutex_);
            self->changed_.notify_all();
        }
    });
    std::lock_guard lock(scheduler->mutex_);
    scheduler->thread_ = std::thread([self = scheduler] { self->Run(); });
    return scheduler;
}

EventScheduler::EventScheduler(Key, std::shared_ptr<ServiceCore> core, std::vector<Event> events,
                               std::shared_ptr<const JsonValue> document,
                               std::shared_ptr<EventClock> clock)
    : core_(std::move(core)),
      events_(std::move(events)),
      clock_(std::move(clock)),
      states_(std::move(document)) {}

EventScheduler::~EventScheduler() {
    // The last reference goes either after Stop joined the thread, or with
    // the thread itself once a Stop from inside an event let it finish.
    std::lock_guard lock(mutex_);
    if (thread_.joinable())
        thread_.detach();
}

void EventScheduler::Start() {
    std::lock_guard lock(mutex_);
    if (started_)
        return;
    started_ = true;
    startedAt_ = clock_->Now();
    changed_.notify_all();
}

void EventScheduler::Stop() {
    std::thread finished;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        changed_.notify_all();
        if (!thread_.joinable())
            return;
        if (thread_.get_id() == std::this_thread::get_id()) {
            thread_.detach();
            return;
        }
        finished = std::move(thread_);
    }
    finished.join();
}

void EventScheduler::WaitForDelivered(bool dueOnly) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] {
        if (stopping_ || !started_ || delivered_ >= events_.size())
            return true;
        auto due = startedAt_ + std::chrono::milliseconds(events_[delivered_].afterMs);
        return dueOnly && due > clock_->Now();
    });
}

std::size_t EventScheduler::Delivered() const {
    std::lock_guard lock(mutex_);
    return delivered_;
}

bool EventScheduler::NextIsDue(std::unique_lock<std::mutex>& lock) {
    if (!started_ || delivered_ >= events_.size()) {
        changed_.wait(lock);
        return false;
    }
    auto due = startedAt_ + std::chrono::milliseconds(events_[delivered_].afterMs);
    if (clock_->Now() >= due)
        return true;
    if (clock_->FollowsRealTime())
        changed_.wait_until(lock, due);
    else
        changed_.wait(lock);
    return false;
}

void EventScheduler::Run() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (!NextIsDue(lock))
            continue;
        const Event& event = events_[delivered_];
        lock.unlock();
        Fire(event);
        lock.lock();
        ++delivered_;
        changed_.notify_all();
    }
}

void EventScheduler::Fire(const Event& event) {
    std::size_t index = event.interfaceIndex;
    // A removed interface is shown as it was before the event.
    ComPtr<IMbnInterface> before;
    if (event.kind == EventKind::InterfaceRemoval)
        before = InterfaceOf(core_->State(), index);
    if (auto after = states_.After(event))
        core_->SetState(std::move(after));
    std::shared_ptr<const Scenario> state = core_->State();

    auto toManagerSinks = [&](auto method, IMbnInterface* subject) {
        core_->InterfaceManagerEvents().Fire([&](IUnknown* sink) {
            (static_cast<IMbnInterfaceManagerEvents*>(sink)->*method)(subject);
        });
    };
    auto toRegistrationSinks = [&](auto method, auto... more) {
        ComPtr<IMbnRegistration> registration = RegistrationOf(state, index);
        core_->RegistrationEvents().Fire([&](IUnknown* sink) {
            (static_cast<IMbnRegistrationEvents*>(sink)->*method)(registration.Get(), more...);
        });
    };
    using Registrations = IMbnRegistrationEvents;
    switch (event.kind) {
        case EventKind::InterfaceArrival:
            return toManagerSinks(&IMbnInterfaceManagerEvents::OnInterfaceArrival,
                                  InterfaceOf(state, index).Get());
        case EventKind::InterfaceRemoval:
            return toManagerSinks(&IMbnInterfaceManagerEvents::OnInterfaceRemoval, before.Get());
        case EventKind::RegisterModeAvailable:
            return toRegistrationSinks(&Registrations::OnRegisterModeAvailable);
        case EventKind::RegisterStateChange:
            return toRegistrationSinks(&Registrations::OnRegisterStateChange);
        case EventKind::PacketServiceStateChange:
            return toRegistrationSinks(&Registrations::OnPacketServiceStateChange);
        case EventKind::SetRegisterModeComplete:
            return toRegistrationSinks(&Registrations::OnSetRegisterModeComplete, ULONG{0}, S_OK);
    }
}

}  // namespace paravue::simulated

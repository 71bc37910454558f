#include "platform/simulated/simulated_service.h"

#include <optional>

#include "platform/adapters.h"
#include "platform/intercept/layer.h"
#include "platform/runtime.h"
#include "platform/simulated/event_scheduler.h"
#include "platform/simulated/failing_arrays.h"
#include "platform/simulated/service_core.h"

namespace paravue::simulated {

// Withdrawn in reverse order: the layer first, the registrations last.
struct SimulatedService::Installed {
    std::vector<ClassRegistration> managers;
    std::optional<AdapterListerOverride> adapters;
    ArrayFaultClient arrayFaults;
    std::optional<intercept::Layer> layer;
};

SimulatedService::SimulatedService(Scenario scenario, std::shared_ptr<EventClock> clock) {
    bool arrayFaults = MayFailArrays(scenario);
    std::vector<Event> events = std::move(scenario.events);
    scenario.events.clear();
    std::shared_ptr<const JsonValue> document = std::move(scenario.document);
    bool listsAdapters = scenario.adapters.has_value();
    core_ = std::make_shared<ServiceCore>(std::make_shared<const Scenario>(std::move(scenario)));

    events_ =
        EventScheduler::Launch(core_, std::move(events), std::move(document), std::move(clock));
    core_->SetEvents(events_);

    installed_ = std::make_unique<Installed>();
    installed_->managers = RegisterManagers(core_);
    if (listsAdapters) {
        // Follows the current state, so an event's patch can change the adapters too.
        installed_->adapters.emplace([core = core_](std::vector<AdapterRecord>& records) {
            std::shared_ptr<const Scenario> state = core->State();
            if (state->adapters)
                for (const Adapter& adapter : *state->adapters)
                    records.push_back({adapter.name, adapter.description});
            return AdapterListing::Listed;
        });
    }
    if (arrayFaults)
        installed_->layer.emplace(std::vector<intercept::Client*>{&installed_->arrayFaults});
}

SimulatedService::~SimulatedService() {
    events_->Stop();
    core_->InterfaceManagerEvents().DisconnectAll();
    core_->RegistrationEvents().DisconnectAll();
    installed_.reset();
}

}  // namespace paravue::simulated

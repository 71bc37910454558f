// A scenario's simulated service, as one of the services a program can choose.
#include <utility>

#include "platform/service_choice.h"
#include "platform/service_starts.h"
#include "platform/simulated/scenario.h"
#include "platform/simulated/simulated_service.h"

namespace paravue {
namespace {

class ScenarioService final : public ActiveService {
  public:
    explicit ScenarioService(simulated::Scenario scenario) : service_(std::move(scenario)) {}

  private:
    simulated::SimulatedService service_;
};

simulated::Scenario Load(const std::string& path) {
    try {
        return simulated::LoadScenarioFile(path);
    } catch (const simulated::ScenarioError& error) {
        throw ServiceUnavailable(ServiceUnavailable::Cause::BadScenario, error.what());
    }
}

}  // namespace

std::unique_ptr<ActiveService> StartScenarioService(const std::string& path) {
    return std::make_unique<ScenarioService>(Load(path));
}

}  // namespace paravue

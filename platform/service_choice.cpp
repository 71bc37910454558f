#include "platform/service_choice.h"

#include <cstdlib>
#include <utility>

#include "platform/simulated/scenario.h"
#include "platform/simulated/simulated_service.h"
#include "platform/system_service.h"

namespace paravue {
namespace {

class ScenarioService final : public ActiveService {
  public:
    explicit ScenarioService(simulated::Scenario scenario) : service_(std::move(scenario)) {}

  private:
    simulated::SimulatedService service_;
};

std::optional<std::string> ScenarioFromEnvironment() {
    const char* path = std::getenv("PARAVUE_SCENARIO");
    if (!path || !*path)
        return std::nullopt;
    return std::string(path);
}

}  // namespace

std::unique_ptr<ActiveService> StartService(const std::optional<std::string>& scenarioPath) {
    std::optional<std::string> path = scenarioPath ? scenarioPath : ScenarioFromEnvironment();
    if (!path)
        return StartSystemService();
    return std::make_unique<ScenarioService>(simulated::LoadScenarioFile(*path));
}

}  // namespace paravue

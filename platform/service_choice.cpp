#include "platform/service_choice.h"

#include <cstdlib>
#include <exception>
#include <utility>

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

}  // namespace

std::unique_ptr<ActiveService> StartService(const std::optional<std::string>& scenarioPath) {
    const char* fromEnvironment = std::getenv("PARAVUE_SCENARIO");
    std::optional<std::string> path = scenarioPath;
    if (!path && fromEnvironment && *fromEnvironment)
        path = fromEnvironment;
    try {
        if (!path)
            return StartSystemService();
        return std::make_unique<ScenarioService>(simulated::LoadScenarioFile(*path));
    } catch (const simulated::ScenarioError& error) {
        throw ServiceUnavailable(ServiceUnavailable::Cause::BadScenario, error.what());
    } catch (const ServiceUnavailable&) {
        throw;
    } catch (const std::exception& error) {
        throw ServiceUnavailable(ServiceUnavailable::Cause::CannotStart,
                                 std::string("cannot start the service: ") + error.what());
    }
}

}  // namespace paravue

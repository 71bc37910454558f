#include "platform/service_choice.h"

#include <cstdlib>
#include <exception>

#include "platform/service_starts.h"

namespace paravue {
namespace {

std::optional<std::string> ScenarioFromEnvironment() {
    const char* path = std::getenv("PARAVUE_SCENARIO");
    if (!path || !*path)
        return std::nullopt;
    return std::string(path);
}

}  // namespace

std::unique_ptr<ActiveService> StartService(const std::optional<std::string>& scenarioPath) {
    std::optional<std::string> path = scenarioPath ? scenarioPath : ScenarioFromEnvironment();
    try {
        return path ? StartScenarioService(*path) : StartSystemService();
    } catch (const ServiceUnavailable&) {
        throw;
    } catch (const std::exception& error) {
        throw ServiceUnavailable(ServiceUnavailable::Cause::CannotStart,
                                 std::string("cannot start the service: ") + error.what());
    }
}

}  // namespace paravue

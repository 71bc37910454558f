// Writes a scenario in the file format that ParseScenario reads (see
// docs/scenarios.md): fields that hold their zero value with S_OK are left
// out, failures and other success codes take the status forms, and arrays
// keep their lower bound, items and bound failures. Events are not written.
#pragma once

#include <string>

#include "platform/simulated/scenario.h"

namespace paravue::simulated {

// UTF-8 JSON text, ending in a newline.
std::string WriteScenario(const Scenario& scenario);

}  // namespace paravue::simulated

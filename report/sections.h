// The sections of a report run, in the order the run walks them. Each writes
// its lines and says whether the run goes on.
#pragma once

#include "report/run_state.h"

namespace paravue {

Next ReportDiscovery(RunState& run);
Next ReportCapabilities(RunState& run);
Next ReportSubscriber(RunState& run);
Next ReportSignal(RunState& run);
Next ReportRegistration(RunState& run);
Next ReportConnectionContexts(RunState& run);
Next ReportRadio(RunState& run);
Next ReportHomeProvider(RunState& run);
Next ReportReadiness(RunState& run);
Next ReportConnection(RunState& run);
Next ReportPreferredProviders(RunState& run);
Next ReportConnections(RunState& run);
Next ReportProfiles(RunState& run);

}  // namespace paravue

// paravue-report's behaviour, apart from the process: parses the command line,
// chooses the service, runs one report and prints it.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "report/append_fault.h"

namespace paravue {

enum ExitStatus : int {
    kReportCompleted = 0,       // the run wrote "Completed Successfully."
    kReportEndedOtherwise = 1,  // a service failure, or memory ran out
    kUsageOrScenarioError = 2,  // bad command line, unreadable or invalid scenario
};

// `arguments` excludes the program name. The report goes to `out` as UTF-8,
// byte for byte; messages go to `err`. `fault` is for tests (see CollectReport).
int RunReportCommand(const std::vector<std::string>& arguments, std::ostream& out,
                     std::ostream& err, AppendFault* fault = nullptr);

}  // namespace paravue

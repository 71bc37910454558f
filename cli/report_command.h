// paravue-report's behaviour, apart from the process: parses the command line,
// chooses the service, runs one report and prints it.
#pragma once

#include <cstdio>
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
// C streams, not iostreams: the first C++ stream of a process sets up the
// standard locale, a good part of a millisecond of every run's start.
int RunReportCommand(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err,
                     AppendFault* fault = nullptr);

}  // namespace paravue

#include "cli/report_command.h"

#include <exception>
#include <new>
#include <optional>
#include <ostream>

#include "platform/printable_text.h"
#include "platform/runtime.h"
#include "platform/service_choice.h"
#include "platform/simulated/scenario.h"
#include "platform/utf.h"
#include "report/collect_report.h"
#include "report/report_text.h"

namespace paravue {
namespace {

constexpr const char* kUsage =
    "Usage: paravue-report [--scenario FILE]\n"
    "       paravue-report --help | --version\n"
    "\n"
    "Prints the Paravue for Mobile Data report of the first cellular modem.\n"
    "\n"
    "  --scenario FILE  read the device from a scenario file instead of the\n"
    "                   system's service (default: the file that the environment\n"
    "                   variable PARAVUE_SCENARIO names, if set)\n"
    "  --help           print this text and exit\n"
    "  --version        print the version and exit\n"
    "\n"
    "Exit status: 0 when the report ends with \"Completed Successfully.\", 1 when it\n"
    "ends otherwise, 2 for a bad command line or scenario file.\n";

struct CommandLine {
    enum class Action { Report, Help, Version } action = Action::Report;
    std::optional<std::string> scenarioPath;
};

// Fills `line`, or returns the problem with the command line.
std::optional<std::string> Parse(const std::vector<std::string>& arguments, CommandLine& line) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help") {
            line.action = CommandLine::Action::Help;
        } else if (argument == "--version") {
            line.action = CommandLine::Action::Version;
        } else if (argument == "--scenario" || argument.starts_with("--scenario=")) {
            if (line.scenarioPath)
                return "--scenario given more than once";
            if (argument == "--scenario") {
                if (i + 1 == arguments.size())
                    return "--scenario needs a file";
                line.scenarioPath = arguments[++i];
            } else {
                line.scenarioPath = argument.substr(std::string("--scenario=").size());
            }
            if (line.scenarioPath->empty())
                return "--scenario needs a file";
        } else {
            return "unknown argument '" + argument + "'";
        }
    }
    return std::nullopt;
}

// COM for the multithreaded apartment around one run.
class ComApartment {
  public:
    ComApartment() { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() { CoUninitialize(); }
};

}  // namespace

int RunReportCommand(const std::vector<std::string>& arguments, std::ostream& out,
                     std::ostream& err) {
    CommandLine line;
    if (std::optional<std::string> problem = Parse(arguments, line)) {
        // One line, as command-line tools do; the argument may hold anything.
        err << "paravue-report: " << PrintableText(*problem) << " (see paravue-report --help)\n";
        return kUsageOrScenarioError;
    }
    if (line.action == CommandLine::Action::Help) {
        out << kUsage;
        return kReportCompleted;
    }
    if (line.action == CommandLine::Action::Version) {
        out << "Paravue for Mobile Data " PARAVUE_VERSION "\n";
        return kReportCompleted;
    }

    std::unique_ptr<ActiveService> service;
    try {
        service = StartService(line.scenarioPath);
    } catch (const simulated::ScenarioError& error) {
        err << "paravue-report: " << error.what() << "\n";
        return kUsageOrScenarioError;
    } catch (const std::exception& error) {
        // The service itself could not start (no memory, no thread): no report at all.
        err << "paravue-report: cannot start the service: " << error.what() << "\n";
        return kReportEndedOtherwise;
    }

    bool outOfMemory = false;
    {
        ComApartment apartment;
        try {
            CollectMbnReport();
        } catch (const std::bad_alloc&) {
            outOfMemory = true;
        }
    }
    // What the run wrote before memory ran out is still the report so far.
    out << Utf16ToUtf8(g_strReport);
    out.flush();
    if (outOfMemory) {
        err << "paravue-report: out of memory; the report is incomplete\n";
        return kReportEndedOtherwise;
    }
    if (!out) {
        err << "paravue-report: cannot write the report\n";
        return kReportEndedOtherwise;
    }
    return LastRunCompleted() ? kReportCompleted : kReportEndedOtherwise;
}

}  // namespace paravue

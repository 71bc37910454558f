#include "cli/report_command.h"

#include <cstdio>
#include <new>
#include <optional>
#include <string_view>

#include "cli/terminal_text.h"
#include "platform/capture/capture_session.h"
#include "platform/runtime.h"
#include "platform/service_choice.h"
#include "platform/utf.h"
#include "report/collect_report.h"
#include "report/metrics.h"
#include "report/modems.h"

namespace paravue {
namespace {

constexpr const char* kUsage =
    "Usage: paravue-report [--scenario FILE] [--redact] [--capture FILE]\n"
    "                      [--modem SELECTOR | --list]\n"
    "       paravue-report --metrics [--output FILE] [--scenario FILE] [--redact]\n"
    "       paravue-report --help | --version\n"
    "\n"
    "Prints the Paravue for Mobile Data report of a cellular modem, the first\n"
    "one unless --modem chooses another.\n"
    "\n"
    "  --scenario FILE  read the device from a scenario file instead of the\n"
    "                   system's service (default: the file that the environment\n"
    "                   variable PARAVUE_SCENARIO names, if set)\n"
    "  --capture FILE   also write the device as the run saw it to FILE, a\n"
    "                   scenario that reproduces this report on any machine\n"
    "  --redact         mask the subscriber ID, SIM ICCID, device ID, telephone\n"
    "                   numbers and context user names and passwords, and give\n"
    "                   interface and connection IDs, profile names, adapter\n"
    "                   names and profile XML text pseudonyms (interface-1), in\n"
    "                   the report and in the captured file alike; see\n"
    "                   paravue-report(1)\n"
    "  --list           print one line per modem instead of a report: position,\n"
    "                   interface ID, manufacturer, model and device ID\n"
    "  --modem SELECTOR report on the modem at this position (0, 1, ...), or with\n"
    "                   this interface ID, or this device ID (IMEI); the device\n"
    "                   ID is the stable choice, as positions change when modems\n"
    "                   come and go\n"
    "  --metrics        print every modem's state, signal and failing reads as\n"
    "                   Prometheus metrics instead of the report; see\n"
    "                   /usr/share/doc/paravue/metrics.md\n"
    "  --output FILE    with --metrics: write them to FILE (atomically, mode\n"
    "                   0644) instead of standard output\n"
    "  -h, --help       print this text and exit\n"
    "  --version        print the version and exit\n"
    "\n"
    "To hand a device to support: paravue-report --redact --capture device.json\n"
    "and send device.json; it opens with PARAVUE_SCENARIO=device.json paravue.\n"
    "\n"
    "Exit status: 0 when the report ends with \"Completed Successfully.\", 1 when it\n"
    "ends otherwise, 2 for a bad command line or scenario file, a --modem that\n"
    "names no modem or more than one, or when the captured file cannot be written.\n"
    "With --metrics: 0 when the metrics were written (a modem's failed read is a\n"
    "metric), 2 when FILE cannot be written.\n";

struct CommandLine {
    enum class Action { Report, Help, Version } action = Action::Report;
    std::optional<std::string> scenarioPath;
    std::optional<std::string> capturePath;
    bool redact = false;
    bool metrics = false;
    std::optional<std::string> outputPath;  // of the metrics
    std::optional<std::string> modem;       // the selector of --modem
    bool list = false;
};

// "--name FILE" or "--name=FILE" at `i`: fills `value` and returns true, or
// returns false when the argument is another one.
bool FileOption(const std::vector<std::string>& arguments, std::size_t& i, const std::string& name,
                std::optional<std::string>& value, std::optional<std::string>& problem,
                const char* needs = " needs a file") {
    const std::string& argument = arguments[i];
    if (argument != name && !argument.starts_with(name + "="))
        return false;
    if (value) {
        problem = name + " given more than once";
    } else if (argument == name) {
        if (i + 1 == arguments.size())
            problem = name + needs;
        else
            value = arguments[++i];
    } else {
        value = argument.substr(name.size() + 1);
    }
    if (!problem && value->empty())
        problem = name + needs;
    return true;
}

// Fills `line`, or returns the problem with the command line.
std::optional<std::string> Parse(const std::vector<std::string>& arguments, CommandLine& line) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            line.action = CommandLine::Action::Help;
        } else if (argument == "--version") {
            line.action = CommandLine::Action::Version;
        } else if (argument == "--redact") {
            line.redact = true;
        } else if (argument == "--metrics") {
            line.metrics = true;
        } else if (argument == "--list") {
            line.list = true;
        } else if (std::optional<std::string> problem;
                   FileOption(arguments, i, "--scenario", line.scenarioPath, problem) ||
                   FileOption(arguments, i, "--capture", line.capturePath, problem) ||
                   FileOption(arguments, i, "--output", line.outputPath, problem) ||
                   FileOption(arguments, i, "--modem", line.modem, problem, " needs a selector")) {
            if (problem)
                return problem;
        } else {
            return "unknown argument '" + argument + "'";
        }
    }
    if (line.outputPath && !line.metrics)
        return std::string("--output needs --metrics");
    if (line.metrics && line.capturePath)
        return std::string("--capture cannot be used with --metrics");
    if (line.list && line.modem)
        return "--list lists every modem; it takes no --modem";
    if (line.metrics && (line.list || line.modem))
        return std::string("--metrics covers every modem; it takes no --list or --modem");
    return std::nullopt;
}

// What a person can do about a run that failed or fell back for a cause the
// service knows: one line each, after the report, which stays as it is.
struct Hint {
    RunCause cause;
    const char* text;
};
constexpr Hint kHints[] = {
    {RunCause::SystemBusUnreachable,
     "the system bus cannot be reached (is dbus running? see DBUS_SYSTEM_BUS_ADDRESS)"},
    {RunCause::ModemManagerNotRunning,
     "ModemManager is not running (sudo systemctl start ModemManager)"},
    {RunCause::ModemManagerNotAnswering, "ModemManager is not answering"},
    {RunCause::ProfileListRefused,
     "ModemManager refused this user the modem's profile list; the contexts shown come from "
     "its bearers (run as root or in the local session for the full list)"},
    {RunCause::NetworkManagerNotRunning,
     "NetworkManager is not running, so no connection profiles are shown"},
};

// Whether all of `text` reached `stream`.
bool Write(std::FILE* stream, std::string_view text) {
    return std::fwrite(text.data(), 1, text.size(), stream) == text.size();
}

void CannotWrite(std::FILE* err, const std::string& path, const std::string& reason) {
    Write(err, "paravue-report: cannot write " + PrintableText(path) + ": " + reason + "\n");
}

void WriteHints(std::FILE* err, const ActiveService& service) {
    const RunCauses causes = service.LastRunCauses();
    for (const Hint& hint : kHints)
        if (causes.Has(hint.cause))
            Write(err, std::string("paravue-report: ") + hint.text + "\n");
}

// Refuses a file to write that is a device, FIFO or socket (left untouched),
// then starts the service; the exit status when either fails.
std::optional<int> Start(const CommandLine& line, const std::optional<std::string>& written,
                         std::FILE* err, std::unique_ptr<ActiveService>& service) {
    if (written) {
        if (std::optional<std::string> problem = capture::SpecialFileAt(*written)) {
            CannotWrite(err, *written, *problem);
            return kUsageOrScenarioError;
        }
    }
    try {
        service = StartService(line.scenarioPath);
    } catch (const ServiceUnavailable& error) {
        // A bad scenario is the user's to mend; a service that cannot start
        // means no report at all.
        Write(err, std::string("paravue-report: ") + error.what() + "\n");
        return error.WhatCause() == ServiceUnavailable::Cause::BadScenario ? kUsageOrScenarioError
                                                                           : kReportEndedOtherwise;
    }
    return std::nullopt;
}

// The metrics of every modem, on `out` or in place of the output file. A
// modem's failed read is a sample, not a failure of the command.
int RunMetrics(const CommandLine& line, std::FILE* out, std::FILE* err) {
    std::unique_ptr<ActiveService> service;
    if (std::optional<int> refused = Start(line, line.outputPath, err, service))
        return *refused;
    service->PlanRuns({RunPlan::Reads::States});
    // Masks what the run reads exactly as it does for the report.
    std::optional<capture::CaptureSession> session;
    if (line.redact)
        session.emplace(true, false);

    std::string metrics;
    try {
        const ComApartment apartment;
        metrics = CollectMetrics(PARAVUE_VERSION);
    } catch (const std::bad_alloc&) {
        Write(err, "paravue-report: out of memory; no metrics written\n");
        return kReportEndedOtherwise;
    }
    WriteHints(err, *service);
    if (line.outputPath) {
        // node_exporter reads the directory's *.prom files whenever it is
        // scraped: the file appears whole, from a temporary name that does
        // not end in .prom, and is readable by the exporter's user.
        capture::PendingFile file(*line.outputPath, metrics, 0644);
        if (std::optional<std::string> failure = file.Commit()) {
            CannotWrite(err, *line.outputPath, *failure);
            return kUsageOrScenarioError;
        }
        return kReportCompleted;
    }
    if (!Write(out, LinesForStream(out, std::move(metrics))) || std::fflush(out) != 0) {
        Write(err, "paravue-report: cannot write the metrics\n");
        return kReportEndedOtherwise;
    }
    return kReportCompleted;
}

// A --modem that names no one modem: one line that lists what is there,
// masked as the report would be under --redact; a listing that failed, with
// what the service knows of why.
int RefuseSelector(const CommandLine& line, SelectorProblem problem, ModemListing listing,
                   ActiveService& service, std::FILE* err) {
    service.PlanRuns({RunPlan::Reads::Listing});
    if (line.redact && problem != SelectorProblem::CannotList) {
        capture::CaptureSession masking(/*redact=*/true, /*record=*/false);
        const ComApartment apartment;
        listing = ListModems();
    }
    Write(err, "paravue-report: " + SelectorMessage(*line.modem, problem, listing) + "\n");
    if (problem != SelectorProblem::CannotList)
        return kUsageOrScenarioError;
    WriteHints(err, service);
    return kReportEndedOtherwise;
}

// What a run printed: a report, or with --list the listing.
struct Printed {
    std::u16string text;
    bool completed = false;
    bool outOfMemory = false;
    bool modemMissing = false;
};

}  // namespace

int RunReportCommand(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err,
                     AppendFault* fault) {
    CommandLine line;
    if (std::optional<std::string> problem = Parse(arguments, line)) {
        // One line, as command-line tools do; the argument may hold anything.
        Write(err, "paravue-report: " + PrintableText(*problem) + " (see paravue-report --help)\n");
        return kUsageOrScenarioError;
    }
    if (line.action == CommandLine::Action::Help) {
        Write(out, kUsage);
        return kReportCompleted;
    }
    if (line.action == CommandLine::Action::Version) {
        Write(out, "Paravue for Mobile Data " PARAVUE_VERSION "\n");
        return kReportCompleted;
    }
    if (line.metrics)
        return RunMetrics(line, out, err);

    std::unique_ptr<ActiveService> service;
    if (std::optional<int> refused = Start(line, line.capturePath, err, service))
        return *refused;

    // Another modem than the first is found before the run, on what the
    // service says unmasked: the selector is what its user knows of the modem.
    // The report then takes the modems as this listing found them.
    ModemChoice choice;
    if (line.modem && !IsFirstPosition(*line.modem)) {
        service->PlanRuns({RunPlan::Reads::Listing, 0, /*reportFollows=*/true});
        ModemListing listing;
        {
            const ComApartment apartment;
            listing = ListModems();
        }
        ModemSelection selection = ResolveSelector(*line.modem, listing);
        if (!selection.choice)
            return RefuseSelector(line, selection.problem, std::move(listing), *service, err);
        choice = std::move(*selection.choice);
        // A masked run sees the ID's pseudonym: the position alone decides.
        if (line.redact)
            choice.interfaceId.reset();
    }

    // Between the run and the service, while the run lasts.
    std::optional<capture::CaptureSession> session;
    if (line.redact || line.capturePath)
        session.emplace(line.redact, line.capturePath.has_value());
    if (line.list)
        service->PlanRuns({RunPlan::Reads::Listing});
    else
        service->PlanRuns({RunPlan::Reads::Report, choice.position});

    Printed report;
    {
        const ComApartment apartment;
        if (line.list) {
            ModemListing listing = ListModems();
            report = {std::move(listing.text), listing.completed, listing.outOfMemory, false};
        } else {
            Report run = CollectReport(choice, fault);
            report = {std::move(run.text), run.completed, run.outOfMemory, run.modemMissing};
        }
    }
    if (report.modemMissing) {
        // The modem left between the listing and the run.
        session.reset();
        ModemListing listing;
        {
            const ComApartment apartment;
            listing = ListModems();
        }
        return RefuseSelector(line, SelectorProblem::NoMatch, std::move(listing), *service, err);
    }
    // The capture waits beside its target while the report is printed, and
    // takes its place only when the whole report was.
    std::optional<capture::PendingFile> captured;
    if (line.capturePath && !report.outOfMemory)
        captured.emplace(session->WriteRecorded(*line.capturePath));
    // What the run wrote before memory ran out is still the report so far.
    const bool written =
        Write(out, ReportForStream(out, Utf16ToUtf8(report.text))) && std::fflush(out) == 0;
    if (report.outOfMemory) {
        Write(err, "paravue-report: out of memory; the report is incomplete\n");
        return kReportEndedOtherwise;
    }
    if (!written) {
        Write(err, "paravue-report: cannot write the report\n");
        return kReportEndedOtherwise;
    }
    WriteHints(err, *service);
    if (captured) {
        if (std::optional<std::string> failure = captured->Commit()) {
            CannotWrite(err, *line.capturePath, *failure);
            return kUsageOrScenarioError;
        }
    }
    return report.completed ? kReportCompleted : kReportEndedOtherwise;
}

}  // namespace paravue

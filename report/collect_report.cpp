#include "report/collect_report.h"

#include <new>

#include "platform/runtime.h"
#include "report/run.h"

namespace paravue {
namespace {

constexpr void (*kSections[])(Run&) = {
    ReportDiscovery,  ReportCapabilities,       ReportSubscriber,
    ReportSignal,     ReportRegistration,       ReportConnectionContexts,
    ReportRadio,      ReportHomeProvider,       ReportReadiness,
    ReportConnection, ReportPreferredProviders, ReportConnections,
    ReportProfiles,
};

// Each section runs only when the one before it went through; the first
// failure that ends the run leaves by RunEnded.
void RunSections(Run& run) {
    CreateInterfaceManager(run);
    for (auto section : kSections)
        section(run);
}

}  // namespace

Report CollectReport(AppendFault* fault) {
    return CollectReport(ModemChoice{}, fault);
}

Report CollectReport(const ModemChoice& choice, AppendFault* fault) {
    ReportText text(fault);
    Report report;
    try {
        HRESULT status;
        {
            Run run(text);
            run.choice = choice;
            try {
                RunSections(run);
            } catch (const RunEnded&) {
            }
            status = run.status;
            report.modemCount = run.modemCount;
            report.modemMissing = run.modemMissing;
        }  // common end: everything the run holds goes, newest first
        // A run that found no chosen modem described nothing: it has no final line.
        if (status == S_OK && !report.modemMissing) {
            text.Append(u"Completed Successfully.\r\n");
            report.completed = true;
        }
    } catch (const std::bad_alloc&) {
        // Unwinding has released what the run held; the text so far is intact.
        report.outOfMemory = true;
    }
    report.text = text.Take();
    return report;
}

}  // namespace paravue

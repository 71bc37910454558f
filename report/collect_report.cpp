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
    run.Check(CoCreateInstance(CLSID_MbnInterfaceManager, nullptr, CLSCTX_ALL,
                               IID_IMbnInterfaceManager, run.interfaceManager.PutVoid()),
              u"Unable to use Windows 7 Mobile Broadband. Error code: 0x%x\r\n");
    for (auto section : kSections)
        section(run);
}

}  // namespace

Report CollectReport(AppendFault* fault) {
    ReportText text(fault);
    Report report;
    try {
        HRESULT status;
        {
            Run run(text);
            try {
                RunSections(run);
            } catch (const RunEnded&) {
            }
            status = run.status;
        }  // common end: everything the run holds goes, newest first
        if (status == S_OK) {
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

#include "report/collect_report.h"

#include <new>

#include "platform/runtime.h"
#include "report/report_text.h"
#include "report/sections.h"

namespace paravue {
namespace {

constexpr Next (*kSections[])(RunState&) = {
    ReportDiscovery,  ReportCapabilities,       ReportSubscriber,
    ReportSignal,     ReportRegistration,       ReportConnectionContexts,
    ReportRadio,      ReportHomeProvider,       ReportReadiness,
    ReportConnection, ReportPreferredProviders, ReportConnections,
    ReportProfiles,
};

void RunSections(RunState& run) {
    HRESULT hr =
        run.Record(CoCreateInstance(CLSID_MbnInterfaceManager, nullptr, CLSCTX_ALL,
                                    IID_IMbnInterfaceManager, run.interfaceManager.PutVoid()));
    if (FAILED(hr)) {
        run.text.Append(u"Unable to use Windows 7 Mobile Broadband. Error code: 0x%x\r\n", hr);
        return;
    }
    for (auto section : kSections)
        if (section(run) == Next::EndRun)
            return;
}

}  // namespace

Report CollectReport(AppendFault* fault) {
    ReportText text(fault);
    Report report;
    try {
        HRESULT status;
        {
            RunState run(text);
            RunSections(run);
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

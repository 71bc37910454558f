#include "report/collect_report.h"

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
        AppendReport(u"Unable to use Windows 7 Mobile Broadband. Error code: 0x%x\r\n", hr);
        return;
    }
    for (auto section : kSections)
        if (section(run) == Next::EndRun)
            return;
}

bool g_lastRunCompleted = false;

}  // namespace

void CollectMbnReport() {
    g_lastRunCompleted = false;
    g_strReport.clear();
    HRESULT status;
    {
        RunState run;
        RunSections(run);
        status = run.status;
    }  // common end: everything the run holds goes, newest first
    if (status == S_OK) {
        AppendReport(u"Completed Successfully.\r\n");
        g_lastRunCompleted = true;
    }
}

bool LastRunCompleted() {
    return g_lastRunCompleted;
}

}  // namespace paravue

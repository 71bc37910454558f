// Home provider: the provider the SIM belongs to.
#include <utility>

#include "platform/bstr.h"
#include "report/report_text.h"
#include "report/sections.h"

namespace paravue {

Next ReportHomeProvider(RunState& run) {
    OwnedRecord<MBN_PROVIDER> provider;
    HRESULT hr = run.Record(run.selectedInterface->GetHomeProvider(provider.Put()));
    if (FAILED(hr)) {
        AppendReport(u"Unable to get home provider. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    MBN_PROVIDER& record = provider.Mutable();
    AppendReport(u"Home Provider ID                   %s\r\n", record.providerID);
    SysFreeString(std::exchange(record.providerID, nullptr));
    AppendReport(u"Home Provider Name                 %s\r\n", record.providerName);
    SysFreeString(std::exchange(record.providerName, nullptr));
    AppendReport(u"Home Provider State                %ld\r\n", record.providerState);
    AppendProviderStateList(record.providerState);
    AppendReport(u"Home provider Data Class           %ld\r\n", record.dataClass);
    AppendDataClassList(record.dataClass);
    return Next::Continue;
}

}  // namespace paravue

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
        run.text.Append(u"Unable to get home provider. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    MBN_PROVIDER& record = provider.Mutable();
    run.text.Append(u"Home Provider ID                   %s\r\n", record.providerID);
    SysFreeString(std::exchange(record.providerID, nullptr));
    run.text.Append(u"Home Provider Name                 %s\r\n", record.providerName);
    SysFreeString(std::exchange(record.providerName, nullptr));
    run.text.Append(u"Home Provider State                %ld\r\n", record.providerState);
    run.text.AppendProviderStateList(record.providerState);
    run.text.Append(u"Home provider Data Class           %ld\r\n", record.dataClass);
    run.text.AppendDataClassList(record.dataClass);
    return Next::Continue;
}

}  // namespace paravue

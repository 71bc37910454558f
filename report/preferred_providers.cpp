// Preferred providers: every provider the device prefers, in array order.
#include <cstdint>
#include <utility>

#include "platform/array_calls.h"
#include "platform/bstr.h"
#include "platform/safearray.h"
#include "report/report_text.h"
#include "report/sections.h"

namespace paravue {

// A device without the list ("not supported") or with a list cut short by a
// failed fetch still goes on to the connections; element fetches are not
// recorded in the run status.
Next ReportPreferredProviders(RunState& run) {
    UniqueSafeArray providers;
    HRESULT hr = run.Record(run.selectedInterface->GetPreferredProviders(providers.Put()));
    if (FAILED(hr)) {
        if (hr == HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED)) {
            AppendReport(u"Preferred Provider                 Not supported\r\n");
            return Next::Continue;
        }
        AppendReport(u"Unable to get prefered provider information. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    LONG lower = 0;
    LONG upper = 0;
    hr = run.Record(ArrayGetLBound(providers.Get(), 1, &lower));
    if (FAILED(hr)) {
        AppendReport(
            u"Unexpected error when retrieving lower bound of safearray of preferred providers. "
            u"Error Code: 0x%x\r\n",
            hr);
        return Next::EndRun;
    }
    hr = run.Record(ArrayGetUBound(providers.Get(), 1, &upper));
    if (FAILED(hr)) {
        AppendReport(
            u"Unexpected error when retrieving upper bound of safearray of preferred providers. "
            u"Error Code: 0x%x\r\n",
            hr);
        return Next::EndRun;
    }
    if (lower > upper)
        AppendReport(u"Preferred Provider                 Nothing found\r\n");

    OwnedRecord<MBN_PROVIDER> provider;
    for (std::int64_t i = lower; i <= upper; ++i) {
        const LONG index = static_cast<LONG>(i);
        hr = ArrayGetElement(providers.Get(), &index, provider.Put());
        if (FAILED(hr)) {
            AppendReport(
                u"Unexpected error when retrieving preferred provider from the safearray. Error "
                u"Code: 0x%x\r\n",
                hr);
            break;
        }
        MBN_PROVIDER& record = provider.Mutable();
        AppendReport(u"Preferred Provider ID              %s\r\n", record.providerID);
        SysFreeString(std::exchange(record.providerID, nullptr));
        AppendReport(u"Preferred Provider Name            %s\r\n", record.providerName);
        SysFreeString(std::exchange(record.providerName, nullptr));
        AppendReport(u"Preferred Provider State           %ld\r\n", record.providerState);
        AppendProviderStateList(record.providerState);
        AppendReport(u"Preferred provider Data Class      %ld\r\n", record.dataClass);
        AppendDataClassList(record.dataClass);
    }
    return Next::Continue;
}

}  // namespace paravue

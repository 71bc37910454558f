// Preferred providers: every provider the device prefers, in array order.
#include <cstdint>
#include <utility>

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
            run.text.Append(u"Preferred Provider                 Not supported\r\n");
            return Next::Continue;
        }
        run.text.Append(u"Unable to get prefered provider information. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    LONG lower = 0;
    LONG upper = 0;
    hr = run.Record(SafeArrayGetLBound(providers.Get(), 1, &lower));
    if (FAILED(hr)) {
        run.text.Append(
            u"Unexpected error when retrieving lower bound of safearray of preferred providers. "
            u"Error Code: 0x%x\r\n",
            hr);
        return Next::EndRun;
    }
    hr = run.Record(SafeArrayGetUBound(providers.Get(), 1, &upper));
    if (FAILED(hr)) {
        run.text.Append(
            u"Unexpected error when retrieving upper bound of safearray of preferred providers. "
            u"Error Code: 0x%x\r\n",
            hr);
        return Next::EndRun;
    }
    if (lower > upper)
        run.text.Append(u"Preferred Provider                 Nothing found\r\n");

    OwnedRecord<MBN_PROVIDER> provider;
    for (std::int64_t i = lower; i <= upper; ++i) {
        const LONG index = static_cast<LONG>(i);
        hr = SafeArrayGetElement(providers.Get(), &index, provider.Put());
        if (FAILED(hr)) {
            run.text.Append(
                u"Unexpected error when retrieving preferred provider from the safearray. Error "
                u"Code: 0x%x\r\n",
                hr);
            break;
        }
        MBN_PROVIDER& record = provider.Mutable();
        run.text.Append(u"Preferred Provider ID              %s\r\n", record.providerID);
        SysFreeString(std::exchange(record.providerID, nullptr));
        run.text.Append(u"Preferred Provider Name            %s\r\n", record.providerName);
        SysFreeString(std::exchange(record.providerName, nullptr));
        run.text.Append(u"Preferred Provider State           %ld\r\n", record.providerState);
        run.text.AppendProviderStateList(record.providerState);
        run.text.Append(u"Preferred provider Data Class      %ld\r\n", record.dataClass);
        run.text.AppendDataClassList(record.dataClass);
    }
    return Next::Continue;
}

}  // namespace paravue

// Subscriber: the SIM's ICCID, the IMSI and the telephone numbers.
#include <cstdint>

#include "platform/array_calls.h"
#include "platform/bstr.h"
#include "platform/safearray.h"
#include "report/report_text.h"
#include "report/sections.h"

namespace paravue {

Next ReportSubscriber(RunState& run) {
    HRESULT hr = run.Record(run.selectedInterface->GetSubscriberInformation(run.subscriber.Put()));
    if (FAILED(hr)) {
        AppendReport(u"Unable to get subscriber information. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }

    UniqueBstr text;
    hr = run.Record(run.subscriber->get_SimIccID(text.Put()));
    if (FAILED(hr)) {
        AppendReport(u"Unable to get SIM ICCID. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    AppendReport(u"ICCID                              %s\r\n", text.Get());
    text.Reset();

    hr = run.Record(run.subscriber->get_SubscriberID(text.Put()));
    if (FAILED(hr)) {
        AppendReport(u"Unable to get subscriber ID. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    AppendReport(u"IMSI                               %s\r\n", text.Get());
    text.Reset();

    UniqueSafeArray numbers;
    hr = run.Record(run.subscriber->get_TelephoneNumbers(numbers.Put()));
    if (FAILED(hr)) {
        AppendReport(u"Unable to get telephone numbers. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    LONG lower = 0;
    LONG upper = 0;
    hr = run.Record(ArrayGetLBound(numbers.Get(), 1, &lower));
    if (FAILED(hr)) {
        AppendReport(
            u"Unexpected error when retrieving lower bound of safearray of phone numbers. Error "
            u"Code: 0x%x\r\n",
            hr);
        return Next::EndRun;
    }
    hr = run.Record(ArrayGetUBound(numbers.Get(), 1, &upper));
    if (FAILED(hr)) {
        AppendReport(
            u"Unexpected error when retrieving upper bound of safearray of phone numbers. Error "
            u"Code: 0x%x\r\n",
            hr);
        return Next::EndRun;
    }
    // A 64-bit index: an upper bound at the top of the 32-bit range must end the loop.
    for (std::int64_t i = lower; i <= upper; ++i) {
        const LONG index = static_cast<LONG>(i);
        UniqueBstr number;
        if (FAILED(ArrayGetElement(numbers.Get(), &index, number.Put())))
            continue;
        AppendReport(u"Phone Number                       %s\r\n", number.Get());
    }
    return Next::Continue;
}

}  // namespace paravue

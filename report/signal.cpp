// Signal: error rate, then strength, as the plain numbers the service gives.
#include "report/report_text.h"
#include "report/sections.h"

namespace paravue {

Next ReportSignal(RunState& run) {
    HRESULT hr = run.Record(run.selectedInterface.As(&run.signal));
    if (FAILED(hr)) {
        run.text.Append(u"Unable to get signal information. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    ULONG value = 0;
    hr = run.Record(run.signal->GetSignalError(&value));
    if (FAILED(hr)) {
        run.text.Append(u"Unable to get signal error information. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    run.text.Append(u"Signal Error Rate                  %ld\r\n", value);
    hr = run.Record(run.signal->GetSignalStrength(&value));
    if (FAILED(hr)) {
        run.text.Append(u"Unable to get signal strength. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    run.text.Append(u"Signal Strength                    %ld\r\n", value);
    return Next::Continue;
}

}  // namespace paravue

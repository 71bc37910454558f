// Radio: the software and hardware switch states.
#include "report/report_text.h"
#include "report/sections.h"

namespace paravue {

// A state other than off or on writes no line; the run goes on.
Next ReportRadio(RunState& run) {
    HRESULT hr = run.Record(run.selectedInterface.As(&run.radio));
    if (FAILED(hr)) {
        run.text.Append(u"Unable to get radio information. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    MBN_RADIO state = MBN_RADIO_OFF;
    hr = run.Record(run.radio->get_SoftwareRadioState(&state));
    if (FAILED(hr)) {
        run.text.Append(u"Unable to get software radio state. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    if (state == MBN_RADIO_OFF)
        run.text.Append(u"Software Radio State               Off\r\n");
    if (state == MBN_RADIO_ON)
        run.text.Append(u"Software Radio State               On\r\n");

    state = MBN_RADIO_OFF;
    hr = run.Record(run.radio->get_HardwareRadioState(&state));
    if (FAILED(hr)) {
        run.text.Append(u"Unable to get hardware radio state. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    if (state == MBN_RADIO_OFF)
        run.text.Append(u"Hardware Radio State               Off\r\n");
    if (state == MBN_RADIO_ON)
        run.text.Append(u"Hardware Radio State               On\r\n");
    return Next::Continue;
}

}  // namespace paravue

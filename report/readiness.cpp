// Readiness: the interface's ready state and whether it is in emergency mode.
#include <cstdint>

#include "report/report_text.h"
#include "report/sections.h"

namespace paravue {
namespace {

// A state beyond the known ones writes no line.
void AppendReadyState(RunState& run, MBN_READY_STATE state) {
    switch (static_cast<std::uint32_t>(state)) {
        case MBN_READY_STATE_OFF:
            run.text.Append(u"Ready State                        OFF\r\n");
            break;
        case MBN_READY_STATE_INITIALIZED:
            run.text.Append(u"Ready State                        INITIALIZED\r\n");
            break;
        case MBN_READY_STATE_SIM_NOT_INSERTED:
            run.text.Append(u"Ready State                        SIM_NOT_INSERTED\r\n");
            break;
        case MBN_READY_STATE_BAD_SIM:
            run.text.Append(u"Ready State                        BAD_SIM\r\n");
            break;
        case MBN_READY_STATE_FAILURE:
            run.text.Append(u"Ready State                        FAILURE\r\n");
            break;
        case MBN_READY_STATE_NOT_ACTIVATED:
            run.text.Append(u"Ready State                        NOT_ACTIVATED\r\n");
            break;
        case MBN_READY_STATE_DEVICE_LOCKED:
            run.text.Append(u"Ready State                        DEVICE_LOCKED\r\n");
            break;
        case MBN_READY_STATE_DEVICE_BLOCKED:
            run.text.Append(u"Ready State                        DEVICE_BLOCKED\r\n");
            break;
        default:
            break;
    }
}

}  // namespace

Next ReportReadiness(RunState& run) {
    MBN_READY_STATE state = MBN_READY_STATE_OFF;
    HRESULT hr = run.Record(run.selectedInterface->GetReadyState(&state));
    if (FAILED(hr)) {
        run.text.Append(u"Unable to get interface ready state. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    AppendReadyState(run, state);

    VARIANT_BOOL emergency = VARIANT_FALSE;
    hr = run.Record(run.selectedInterface->InEmergencyMode(&emergency));
    if (FAILED(hr)) {
        run.text.Append(u"Unable to get emergency mode. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    // Only VARIANT_TRUE (all bits set) is true; 1 is not.
    if (emergency == VARIANT_TRUE) {
        run.text.Append(u"In Emergency Mode                  TRUE\r\n");
    } else {
        run.text.Append(u"In Emergency Mode                  FALSE\r\n");
    }
    return Next::Continue;
}

}  // namespace paravue

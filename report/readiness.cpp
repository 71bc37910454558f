// Readiness: the interface's ready state and whether it is in emergency mode.
#include <cstdint>

#include "report/report_text.h"
#include "report/sections.h"

namespace paravue {
namespace {

// A state beyond the known ones writes no line.
void AppendReadyState(MBN_READY_STATE state) {
    switch (static_cast<std::uint32_t>(state)) {
        case MBN_READY_STATE_OFF:
            AppendReport(u"Ready State                        OFF\r\n");
            break;
        case MBN_READY_STATE_INITIALIZED:
            AppendReport(u"Ready State                        INITIALIZED\r\n");
            break;
        case MBN_READY_STATE_SIM_NOT_INSERTED:
            AppendReport(u"Ready State                        SIM_NOT_INSERTED\r\n");
            break;
        case MBN_READY_STATE_BAD_SIM:
            AppendReport(u"Ready State                        BAD_SIM\r\n");
            break;
        case MBN_READY_STATE_FAILURE:
            AppendReport(u"Ready State                        FAILURE\r\n");
            break;
        case MBN_READY_STATE_NOT_ACTIVATED:
            AppendReport(u"Ready State                        NOT_ACTIVATED\r\n");
            break;
        case MBN_READY_STATE_DEVICE_LOCKED:
            AppendReport(u"Ready State                        DEVICE_LOCKED\r\n");
            break;
        case MBN_READY_STATE_DEVICE_BLOCKED:
            AppendReport(u"Ready State                        DEVICE_BLOCKED\r\n");
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
        AppendReport(u"Unable to get interface ready state. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    AppendReadyState(state);

    VARIANT_BOOL emergency = VARIANT_FALSE;
    hr = run.Record(run.selectedInterface->InEmergencyMode(&emergency));
    if (FAILED(hr)) {
        AppendReport(u"Unable to get emergency mode. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    // Only VARIANT_TRUE (all bits set) is true; 1 is not.
    if (emergency == VARIANT_TRUE) {
        AppendReport(u"In Emergency Mode                  TRUE\r\n");
    } else {
        AppendReport(u"In Emergency Mode                  FALSE\r\n");
    }
    return Next::Continue;
}

}  // namespace paravue

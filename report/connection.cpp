// Connection: the interface's connection, its activation state and profile.
#include <cstdint>

#include "platform/bstr.h"
#include "report/report_text.h"
#include "report/sections.h"

namespace paravue {
namespace {

const char16_t* ActivationText(MBN_ACTIVATION_STATE state) {
    switch (static_cast<std::uint32_t>(state)) {
        case MBN_ACTIVATION_STATE_NONE:
            return u"None";
        case MBN_ACTIVATION_STATE_ACTIVATED:
            return u"Activated";
        case MBN_ACTIVATION_STATE_ACTIVATING:
            return u"Activating";
        case MBN_ACTIVATION_STATE_DEACTIVATED:
            return u"Deactivated";
        case MBN_ACTIVATION_STATE_DEACTIVATING:
            return u"Deactivating";
        default:
            return u"Unknown";
    }
}

}  // namespace

Next ReportConnection(RunState& run) {
    HRESULT hr = run.Record(run.selectedInterface->GetConnection(run.connection.Put()));
    if (FAILED(hr)) {
        run.text.Append(u"Unable to get connection information. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    MBN_ACTIVATION_STATE state = MBN_ACTIVATION_STATE_NONE;
    UniqueBstr profileName;
    hr = run.Record(run.connection->GetConnectionState(&state, profileName.Put()));
    if (FAILED(hr)) {
        run.text.Append(u"Unable to get connection state. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    run.text.Append(u"Activation State                   %s\r\n", ActivationText(state));
    run.text.Append(u"Profile Name                       %s\r\n", profileName.Get());
    return Next::Continue;
}

}  // namespace paravue

// Registration: data classes, provider, register mode and state, network
// errors and roaming text.
#include <cstdint>

#include "platform/bstr.h"
#include "report/report_text.h"
#include "report/sections.h"

namespace paravue {
namespace {

void AppendRegisterMode(MBN_REGISTER_MODE mode) {
    switch (mode) {
        case MBN_REGISTER_MODE_NONE:
            AppendReport(u"Register Mode                      NONE\r\n");
            break;
        case MBN_REGISTER_MODE_AUTOMATIC:
            AppendReport(u"Register Mode                      Automatic\r\n");
            break;
        case MBN_REGISTER_MODE_MANUAL:
            AppendReport(u"Register Mode                      Manual\r\n");
            break;
        default:
            AppendReport(u"Register Mode                      Unknown\r\n");
            break;
    }
}

void AppendRegisterState(MBN_REGISTER_STATE state) {
    switch (static_cast<std::uint32_t>(state)) {
        case MBN_REGISTER_STATE_NONE:
            AppendReport(u"Register State                     NONE\r\n");
            break;
        case MBN_REGISTER_STATE_DEREGISTERED:
            AppendReport(u"Register State                     DEREGISTERED\r\n");
            break;
        case MBN_REGISTER_STATE_SEARCHING:
            AppendReport(u"Register State                     SEARCHING\r\n");
            break;
        case MBN_REGISTER_STATE_HOME:
            AppendReport(u"Register State                     HOME\r\n");
            break;
        case MBN_REGISTER_STATE_ROAMING:
            AppendReport(u"Register State                     ROAMING\r\n");
            break;
        case MBN_REGISTER_STATE_PARTNER:
            AppendReport(u"Register State                     PARTNER\r\n");
            break;
        case MBN_REGISTER_STATE_DENIED:
            AppendReport(u"Register State                     DENIED\r\n");
            break;
        default:
            AppendReport(u"Register State                     Unknown\r\n");
            break;
    }
}

}  // namespace

Next ReportRegistration(RunState& run) {
    HRESULT hr = run.Record(run.selectedInterface.As(&run.registration));
    if (FAILED(hr)) {
        AppendReport(u"Unable to get registration information. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    IMbnRegistration& registration = *run.registration.Get();

    ULONG number = 0;
    hr = run.Record(registration.GetAvailableDataClasses(&number));
    if (FAILED(hr)) {
        AppendReport(u"Unable to get available data classes. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    AppendReport(u"Available Data Class               %ld\r\n", number);
    AppendDataClassList(number);

    hr = run.Record(registration.GetCurrentDataClass(&number));
    if (FAILED(hr)) {
        AppendReport(u"Unable to get crurent data class. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    AppendReport(u"Current Data Class                 %ld\r\n", number);
    AppendDataClassList(number);

    hr = run.Record(registration.GetPacketAttachNetworkError(&number));
    if (FAILED(hr)) {
        AppendReport(u"Unable to get packet attach netowrk error. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    AppendReport(u"Packet Attach Network Error        %ld\r\n", number);

    UniqueBstr text;
    hr = run.Record(registration.GetProviderID(text.Put()));
    if (FAILED(hr)) {
        AppendReport(u"Unable to get provider ID. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    AppendReport(u"Provider ID                        %s\r\n", text.Get());
    text.Reset();

    hr = run.Record(registration.GetProviderName(text.Put()));
    if (FAILED(hr)) {
        AppendReport(u"Unable to get provider name. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    AppendReport(u"Provider Name                      %s\r\n", text.Get());
    text.Reset();

    MBN_REGISTER_MODE mode = MBN_REGISTER_MODE_NONE;
    hr = run.Record(registration.GetRegisterMode(&mode));
    if (FAILED(hr)) {
        AppendReport(u"Unable to get register mode. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    AppendRegisterMode(mode);

    MBN_REGISTER_STATE state = MBN_REGISTER_STATE_NONE;
    hr = run.Record(registration.GetRegisterState(&state));
    if (FAILED(hr)) {
        AppendReport(u"Unable to get register state. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    AppendRegisterState(state);

    hr = run.Record(registration.GetRegistrationNetworkError(&number));
    if (FAILED(hr)) {
        AppendReport(u"Unable to get registration network error. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    AppendReport(u"Registration Network Error         %ld\r\n", number);

    hr = run.Record(registration.GetRoamingText(text.Put()));
    if (FAILED(hr)) {
        AppendReport(u"Unable to get roaming text. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    AppendReport(u"Roaming Text                       %s\r\n", text.Get());
    return Next::Continue;
}

}  // namespace paravue

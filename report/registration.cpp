// Registration: data classes, provider, register mode and state, network
// errors and roaming text.
#include <cstdint>

#include "platform/bstr.h"
#include "report/report_text.h"
#include "report/sections.h"

namespace paravue {
namespace {

void AppendRegisterMode(RunState& run, MBN_REGISTER_MODE mode) {
    switch (mode) {
        case MBN_REGISTER_MODE_NONE:
            run.text.Append(u"Register Mode                      NONE\r\n");
            break;
        case MBN_REGISTER_MODE_AUTOMATIC:
            run.text.Append(u"Register Mode                      Automatic\r\n");
            break;
        case MBN_REGISTER_MODE_MANUAL:
            run.text.Append(u"Register Mode                      Manual\r\n");
            break;
        default:
            run.text.Append(u"Register Mode                      Unknown\r\n");
            break;
    }
}

void AppendRegisterState(RunState& run, MBN_REGISTER_STATE state) {
    switch (static_cast<std::uint32_t>(state)) {
        case MBN_REGISTER_STATE_NONE:
            run.text.Append(u"Register State                     NONE\r\n");
            break;
        case MBN_REGISTER_STATE_DEREGISTERED:
            run.text.Append(u"Register State                     DEREGISTERED\r\n");
            break;
        case MBN_REGISTER_STATE_SEARCHING:
            run.text.Append(u"Register State                     SEARCHING\r\n");
            break;
        case MBN_REGISTER_STATE_HOME:
            run.text.Append(u"Register State                     HOME\r\n");
            break;
        case MBN_REGISTER_STATE_ROAMING:
            run.text.Append(u"Register State                     ROAMING\r\n");
            break;
        case MBN_REGISTER_STATE_PARTNER:
            run.text.Append(u"Register State                     PARTNER\r\n");
            break;
        case MBN_REGISTER_STATE_DENIED:
            run.text.Append(u"Register State                     DENIED\r\n");
            break;
        default:
            run.text.Append(u"Register State                     Unknown\r\n");
            break;
    }
}

}  // namespace

Next ReportRegistration(RunState& run) {
    HRESULT hr = run.Record(run.selectedInterface.As(&run.registration));
    if (FAILED(hr)) {
        run.text.Append(u"Unable to get registration information. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    IMbnRegistration& registration = *run.registration.Get();

    ULONG number = 0;
    hr = run.Record(registration.GetAvailableDataClasses(&number));
    if (FAILED(hr)) {
        run.text.Append(u"Unable to get available data classes. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    run.text.Append(u"Available Data Class               %ld\r\n", number);
    run.text.AppendDataClassList(number);

    hr = run.Record(registration.GetCurrentDataClass(&number));
    if (FAILED(hr)) {
        run.text.Append(u"Unable to get crurent data class. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    run.text.Append(u"Current Data Class                 %ld\r\n", number);
    run.text.AppendDataClassList(number);

    hr = run.Record(registration.GetPacketAttachNetworkError(&number));
    if (FAILED(hr)) {
        run.text.Append(u"Unable to get packet attach netowrk error. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    run.text.Append(u"Packet Attach Network Error        %ld\r\n", number);

    UniqueBstr text;
    hr = run.Record(registration.GetProviderID(text.Put()));
    if (FAILED(hr)) {
        run.text.Append(u"Unable to get provider ID. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    run.text.Append(u"Provider ID                        %s\r\n", text.Get());
    text.Reset();

    hr = run.Record(registration.GetProviderName(text.Put()));
    if (FAILED(hr)) {
        run.text.Append(u"Unable to get provider name. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    run.text.Append(u"Provider Name                      %s\r\n", text.Get());
    text.Reset();

    MBN_REGISTER_MODE mode = MBN_REGISTER_MODE_NONE;
    hr = run.Record(registration.GetRegisterMode(&mode));
    if (FAILED(hr)) {
        run.text.Append(u"Unable to get register mode. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    AppendRegisterMode(run, mode);

    MBN_REGISTER_STATE state = MBN_REGISTER_STATE_NONE;
    hr = run.Record(registration.GetRegisterState(&state));
    if (FAILED(hr)) {
        run.text.Append(u"Unable to get register state. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    AppendRegisterState(run, state);

    hr = run.Record(registration.GetRegistrationNetworkError(&number));
    if (FAILED(hr)) {
        run.text.Append(u"Unable to get registration network error. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    run.text.Append(u"Registration Network Error         %ld\r\n", number);

    hr = run.Record(registration.GetRoamingText(text.Put()));
    if (FAILED(hr)) {
        run.text.Append(u"Unable to get roaming text. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    run.text.Append(u"Roaming Text                       %s\r\n", text.Get());
    return Next::Continue;
}

}  // namespace paravue

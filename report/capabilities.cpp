// Capabilities: technology, voice, data classes and the device's identity.
#include "platform/mbn.h"
#include "report/report_text.h"
#include "report/sections.h"

namespace paravue {
namespace {

const char16_t* TechnologyText(MBN_CELLULAR_CLASS cellularClass) {
    switch (cellularClass) {
        case MBN_CELLULAR_CLASS_GSM:
            return u"GSM";
        case MBN_CELLULAR_CLASS_CDMA:
            return u"CDMA";
        default:
            return u"Unknown";
    }
}

const char16_t* VoiceText(MBN_VOICE_CLASS voiceClass) {
    switch (static_cast<std::uint32_t>(voiceClass)) {
        case MBN_VOICE_CLASS_NONE:
            return u"NONE";
        case MBN_VOICE_CLASS_NO_VOICE:
            return u"NoVoice";
        case MBN_VOICE_CLASS_SEPARATE_VOICE_DATA:
            return u"SeparateVoiceData";
        case MBN_VOICE_CLASS_SIMULTANEOUS_VOICE_DATA:
            return u"SimultaneousVoiceData";
        default:
            return u"Unknown";
    }
}

}  // namespace

Next ReportCapabilities(RunState& run) {
    OwnedRecord<MBN_INTERFACE_CAPS> caps;
    HRESULT hr = run.Record(run.selectedInterface->GetInterfaceCapability(caps.Put()));
    if (FAILED(hr)) {
        run.text.Append(u"Unable to get interface capability. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    run.text.Append(u"Technology                         %s\r\n",
                    TechnologyText(caps->cellularClass));
    run.text.Append(u"Voice                              %s\r\n", VoiceText(caps->voiceClass));
    run.text.Append(u"InterfaceCaps Data Class           %ld\r\n", caps->dataClass);
    run.text.AppendDataClassList(caps->dataClass);
    if (caps->dataClass & MBN_DATA_CLASS_CUSTOM)
        run.text.Append(u"Custom Data Class                  %s\r\n", caps->customDataClass);
    run.text.Append(u"DeviceId                           %s\r\n", caps->deviceID);
    run.text.Append(u"Manufacturer                       %s\r\n", caps->manufacturer);
    run.text.Append(u"Model                              %s\r\n", caps->model);
    run.text.Append(u"FirmwareInfo                       %s\r\n", caps->firmwareInfo);
    caps.Clear();
    return Next::Continue;
}

}  // namespace paravue

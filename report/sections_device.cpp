// The device: discovery of the chosen Mobile Broadband interface (the first
// unless told otherwise), its capabilities and its subscriber (SIM) data.
#include <cstdint>
#include <string>

#include "platform/runtime.h"
#include "report/adapter_description.h"
#include "report/enum_text.h"
#include "report/run.h"

namespace paravue {
namespace {

constexpr Named<MBN_CELLULAR_CLASS, const char16_t*> kTechnologies[] = {
    {MBN_CELLULAR_CLASS_GSM, u"GSM"},
    {MBN_CELLULAR_CLASS_CDMA, u"CDMA"},
};

constexpr Named<MBN_VOICE_CLASS, const char16_t*> kVoiceClasses[] = {
    {MBN_VOICE_CLASS_NONE, u"NONE"},
    {MBN_VOICE_CLASS_NO_VOICE, u"NoVoice"},
    {MBN_VOICE_CLASS_SEPARATE_VOICE_DATA, u"SeparateVoiceData"},
    {MBN_VOICE_CLASS_SIMULTANEOUS_VOICE_DATA, u"SimultaneousVoiceData"},
};

}  // namespace

void CreateInterfaceManager(Run& run) {
    run.Check(CoCreateInstance(CLSID_MbnInterfaceManager, nullptr, CLSCTX_ALL,
                               IID_IMbnInterfaceManager, run.interfaceManager.PutVoid()),
              u"Unable to use Windows 7 Mobile Broadband. Error code: 0x%x\r\n");
}

InterfaceList ListInterfaces(Run& run) {
    InterfaceList list;
    const HRESULT hr = run.Record(run.interfaceManager->GetInterfaces(list.array.Put()));
    if (hr == HRESULT_FROM_WIN32(ERROR_NOT_FOUND))
        run.End(
            u"No Mobile Broadband Device Found.  Please Insert a Windows 7 Compatible Mobile Data Device.\r\n");
    run.Check(hr, u"Unable to get Mobile Broadband device information. Error code: 0x%x\r\n");

    // Bounds that cannot be read end the run without a line.
    list.bounds = run.ReadBounds(list.array.Get(), {}, {});
    if (list.bounds.lower > list.bounds.upper)
        run.End(
            u"No Mobile Broadband Device Found.  Please Insert a Windows 7 Compatible Mobile Data Device.\r\n");
    // Counted wide: bounds far apart must not overflow on the way.
    list.count = static_cast<std::int32_t>(std::int64_t{list.bounds.upper} - list.bounds.lower + 1);
    return list;
}

ComPtr<IMbnInterface> FetchInterface(Run& run, const InterfaceList& list, std::int32_t position) {
    ComPtr<IMbnInterface> mbn;
    run.Check(
        run.FetchElement(list.array.Get(), list.bounds.lower + position, mbn.PutVoid()),
        u"Unexpected error when retrieving interface information from the safe array. Error Code: 0x%x\r\n");
    return mbn;
}

UniqueBstr ReadInterfaceId(Run& run, IMbnInterface& mbn) {
    UniqueBstr interfaceId;
    run.Check(mbn.get_InterfaceID(interfaceId.Put()),
              u"Unexpected error when retrieving interface id. Error Code: 0x%x\r\n");
    return interfaceId;
}

void ReadCapabilities(Run& run, IMbnInterface& mbn, OwnedRecord<MBN_INTERFACE_CAPS>& caps) {
    run.Check(mbn.GetInterfaceCapability(caps.Put()),
              u"Unable to get interface capability. Error Code: 0x%x\r\n");
}

void ReportDiscovery(Run& run) {
    const InterfaceList list = ListInterfaces(run);
    run.modemCount = list.count;
    run.text.Append(u"Number of MB devices               %d\r\n", list.count);

    // The first interface unless another was chosen; the others are not read.
    const std::int32_t position = run.choice.position;
    if (position < 0 || position >= list.count) {
        run.modemMissing = true;
        throw RunEnded{};
    }
    run.selectedInterface = FetchInterface(run, list, position);
    UniqueBstr interfaceId = ReadInterfaceId(run, *run.selectedInterface.Get());
    if (run.choice.interfaceId && *run.choice.interfaceId != TextUpToNul(interfaceId.Get())) {
        run.modemMissing = true;
        throw RunEnded{};
    }

    LookupAdapterDescription(std::u16string(interfaceId.Get() ? interfaceId.Get() : u""),
                             run.description);
    if (!run.description.empty())
        run.text.Append(u"Device name                        %s\r\n", run.description);
    run.text.Append(u"Interface ID                       %s\r\n", interfaceId.Get());
}

void ReportCapabilities(Run& run) {
    OwnedRecord<MBN_INTERFACE_CAPS> caps;
    ReadCapabilities(run, *run.selectedInterface.Get(), caps);
    ReportText& text = run.text;
    text.Append(u"Technology                         %s\r\n",
                TextFor(kTechnologies, caps->cellularClass, u"Unknown"));
    text.Append(u"Voice                              %s\r\n",
                TextFor(kVoiceClasses, caps->voiceClass, u"Unknown"));
    text.Append(u"InterfaceCaps Data Class           %ld\r\n", caps->dataClass);
    text.AppendDataClassList(caps->dataClass);
    if (caps->dataClass & MBN_DATA_CLASS_CUSTOM)
        text.Append(u"Custom Data Class                  %s\r\n", caps->customDataClass);
    text.Append(u"DeviceId                           %s\r\n", caps->deviceID);
    text.Append(u"Manufacturer                       %s\r\n", caps->manufacturer);
    text.Append(u"Model                              %s\r\n", caps->model);
    text.Append(u"FirmwareInfo                       %s\r\n", caps->firmwareInfo);
}

void ReportSubscriber(Run& run) {
    run.Check(run.selectedInterface->GetSubscriberInformation(run.subscriber.Put()),
              u"Unable to get subscriber information. Error Code: 0x%x\r\n");
    UniqueBstr value;
    run.Check(run.subscriber->get_SimIccID(value.Put()),
              u"Unable to get SIM ICCID. Error Code: 0x%x\r\n");
    run.text.Append(u"ICCID                              %s\r\n", value.Get());
    run.Check(run.subscriber->get_SubscriberID(value.Put()),
              u"Unable to get subscriber ID. Error Code: 0x%x\r\n");
    run.text.Append(u"IMSI                               %s\r\n", value.Get());

    UniqueSafeArray numbers;
    run.Check(run.subscriber->get_TelephoneNumbers(numbers.Put()),
              u"Unable to get telephone numbers. Error Code: 0x%x\r\n");
    // A number that cannot be fetched is skipped without a line.
    run.Walk<UniqueBstr>(
        numbers.Get(),
        {.lowerBoundFailure =
             u"Unexpected error when retrieving lower bound of safearray of phone numbers. Error Code: 0x%x\r\n",
         .upperBoundFailure =
             u"Unexpected error when retrieving upper bound of safearray of phone numbers. Error Code: 0x%x\r\n"},
        [&](UniqueBstr& number) {
            run.text.Append(u"Phone Number                       %s\r\n", number.Get());
        });
}

}  // namespace paravue

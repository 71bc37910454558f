// The interface's state: radio switches, home provider, readiness, emergency
// mode and its connection.
#include "report/enum_text.h"
#include "report/run.h"

namespace paravue {
namespace {

// A radio state other than off or on, and a ready state beyond the known
// ones, write no line.
constexpr Named<MBN_RADIO, Line> kSoftwareRadioLines[] = {
    {MBN_RADIO_OFF, u"Software Radio State               Off\r\n"},
    {MBN_RADIO_ON, u"Software Radio State               On\r\n"},
};

constexpr Named<MBN_RADIO, Line> kHardwareRadioLines[] = {
    {MBN_RADIO_OFF, u"Hardware Radio State               Off\r\n"},
    {MBN_RADIO_ON, u"Hardware Radio State               On\r\n"},
};

}  // namespace

void ReportRadio(Run& run) {
    run.Check(run.selectedInterface.As(&run.radio),
              u"Unable to get radio information. Error Code: 0x%x\r\n");
    MBN_RADIO state = MBN_RADIO_OFF;
    run.Check(run.radio->get_SoftwareRadioState(&state),
              u"Unable to get software radio state. Error Code: 0x%x\r\n");
    AppendLineFor(run.text, kSoftwareRadioLines, state);
    state = MBN_RADIO_OFF;
    run.Check(run.radio->get_HardwareRadioState(&state),
              u"Unable to get hardware radio state. Error Code: 0x%x\r\n");
    AppendLineFor(run.text, kHardwareRadioLines, state);
}

void ReportHomeProvider(Run& run) {
    OwnedRecord<MBN_PROVIDER> provider;
    run.Check(run.selectedInterface->GetHomeProvider(provider.Put()),
              u"Unable to get home provider. Error Code: 0x%x\r\n");
    ReportText& text = run.text;
    text.Append(u"Home Provider ID                   %s\r\n", provider->providerID);
    text.Append(u"Home Provider Name                 %s\r\n", provider->providerName);
    text.Append(u"Home Provider State                %ld\r\n", provider->providerState);
    text.AppendProviderStateList(provider->providerState);
    text.Append(u"Home provider Data Class           %ld\r\n", provider->dataClass);
    text.AppendDataClassList(provider->dataClass);
}

void ReportReadiness(Run& run) {
    MBN_READY_STATE state = MBN_READY_STATE_OFF;
    run.Check(run.selectedInterface->GetReadyState(&state),
              u"Unable to get interface ready state. Error Code: 0x%x\r\n");
    AppendLineFor(run.text, kReadyStateLines, state);

    VARIANT_BOOL emergency = VARIANT_FALSE;
    run.Check(run.selectedInterface->InEmergencyMode(&emergency),
              u"Unable to get emergency mode. Error Code: 0x%x\r\n");
    // Only VARIANT_TRUE (all bits set) is true; 1 is not.
    if (emergency == VARIANT_TRUE)
        run.text.Append(u"In Emergency Mode                  TRUE\r\n");
    else
        run.text.Append(u"In Emergency Mode                  FALSE\r\n");
}

void ReportConnection(Run& run) {
    run.Check(run.selectedInterface->GetConnection(run.connection.Put()),
              u"Unable to get connection information. Error Code: 0x%x\r\n");
    MBN_ACTIVATION_STATE state = MBN_ACTIVATION_STATE_NONE;
    UniqueBstr profileName;
    run.Check(run.connection->GetConnectionState(&state, profileName.Put()),
              u"Unable to get connection state. Error Code: 0x%x\r\n");
    run.text.Append(u"Activation State                   %s\r\n",
                    TextFor(kActivationStates, state, kActivationStateUnknown));
    run.text.Append(u"Profile Name                       %s\r\n", profileName.Get());
}

}  // namespace paravue

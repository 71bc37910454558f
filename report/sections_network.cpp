// The network: signal, registration, and the connection contexts provisioned
// on the device.
#include "report/enum_text.h"
#include "report/run.h"

namespace paravue {
namespace {

constexpr Named<MBN_REGISTER_MODE, Line> kRegisterModeLines[] = {
    {MBN_REGISTER_MODE_NONE, u"Register Mode                      NONE\r\n"},
    {MBN_REGISTER_MODE_AUTOMATIC, u"Register Mode                      Automatic\r\n"},
    {MBN_REGISTER_MODE_MANUAL, u"Register Mode                      Manual\r\n"},
};

constexpr Named<MBN_AUTH_PROTOCOL, Line> kAuthTypeLines[] = {
    {MBN_AUTH_PROTOCOL_NONE, u"Auth type                          NONE\r\n"},
    {MBN_AUTH_PROTOCOL_PAP, u"Auth type                          PAP\r\n"},
    {MBN_AUTH_PROTOCOL_CHAP, u"Auth type                          CHAP\r\n"},
    {MBN_AUTH_PROTOCOL_MSCHAPV2, u"Auth type                          MSCHAPV2\r\n"},
};

constexpr Named<MBN_COMPRESSION, Line> kCompressionLines[] = {
    {MBN_COMPRESSION_NONE, u"Compression                        NONE\r\n"},
    {MBN_COMPRESSION_ENABLE, u"Ccompression                       ENABLE\r\n"},
};

constexpr Named<MBN_CONTEXT_TYPE, Line> kContextTypeLines[] = {
    {MBN_CONTEXT_TYPE_NONE, u"Context type                       NONE\r\n"},
    {MBN_CONTEXT_TYPE_INTERNET, u"Context type                       INTERNET\r\n"},
    {MBN_CONTEXT_TYPE_VPN, u"Context type                       VPN\r\n"},
    {MBN_CONTEXT_TYPE_VOICE, u"Context type                       VOICE\r\n"},
    {MBN_CONTEXT_TYPE_VIDEO_SHARE, u"Context type                       VIDEO_SHARE\r\n"},
    {MBN_CONTEXT_TYPE_CUSTOM, u"Context type                       CUSTOM\r\n"},
};

}  // namespace

// Error rate, then strength, as the plain numbers the service gives.
void ReportSignal(Run& run) {
    run.Check(run.selectedInterface.As(&run.signal),
              u"Unable to get signal information. Error Code: 0x%x\r\n");
    ULONG value = 0;
    run.Check(run.signal->GetSignalError(&value),
              u"Unable to get signal error information. Error Code: 0x%x\r\n");
    run.text.Append(u"Signal Error Rate                  %ld\r\n", value);
    run.Check(run.signal->GetSignalStrength(&value),
              u"Unable to get signal strength. Error Code: 0x%x\r\n");
    run.text.Append(u"Signal Strength                    %ld\r\n", value);
}

void ReportRegistration(Run& run) {
    run.Check(run.selectedInterface.As(&run.registration),
              u"Unable to get registration information. Error Code: 0x%x\r\n");
    IMbnRegistration& registration = *run.registration.Get();
    ReportText& text = run.text;

    ULONG number = 0;
    run.Check(registration.GetAvailableDataClasses(&number),
              u"Unable to get available data classes. Error Code: 0x%x\r\n");
    text.Append(u"Available Data Class               %ld\r\n", number);
    text.AppendDataClassList(number);
    run.Check(registration.GetCurrentDataClass(&number),
              u"Unable to get crurent data class. Error Code: 0x%x\r\n");
    text.Append(u"Current Data Class                 %ld\r\n", number);
    text.AppendDataClassList(number);
    run.Check(registration.GetPacketAttachNetworkError(&number),
              u"Unable to get packet attach netowrk error. Error Code: 0x%x\r\n");
    text.Append(u"Packet Attach Network Error        %ld\r\n", number);

    UniqueBstr value;
    run.Check(registration.GetProviderID(value.Put()),
              u"Unable to get provider ID. Error Code: 0x%x\r\n");
    text.Append(u"Provider ID                        %s\r\n", value.Get());
    run.Check(registration.GetProviderName(value.Put()),
              u"Unable to get provider name. Error Code: 0x%x\r\n");
    text.Append(u"Provider Name                      %s\r\n", value.Get());

    MBN_REGISTER_MODE mode = MBN_REGISTER_MODE_NONE;
    run.Check(registration.GetRegisterMode(&mode),
              u"Unable to get register mode. Error Code: 0x%x\r\n");
    AppendLineFor(text, kRegisterModeLines, mode,
                  u"Register Mode                      Unknown\r\n");
    MBN_REGISTER_STATE state = MBN_REGISTER_STATE_NONE;
    run.Check(registration.GetRegisterState(&state),
              u"Unable to get register state. Error Code: 0x%x\r\n");
    AppendLineFor(text, kRegisterStateLines, state, kRegisterStateUnknownLine);

    run.Check(registration.GetRegistrationNetworkError(&number),
              u"Unable to get registration network error. Error Code: 0x%x\r\n");
    text.Append(u"Registration Network Error         %ld\r\n", number);
    run.Check(registration.GetRoamingText(value.Put()),
              u"Unable to get roaming text. Error Code: 0x%x\r\n");
    text.Append(u"Roaming Text                       %s\r\n", value.Get());
}

// Every context provisioned on the device, credentials included. A context
// that cannot be fetched ends the list, not the run.
void ReportConnectionContexts(Run& run) {
    run.Check(run.selectedInterface.As(&run.connectionContext),
              u"Unable to get connection context information. Error Code: 0x%x\r\n");
    UniqueSafeArray contexts;
    run.Check(run.connectionContext->GetProvisionedContexts(contexts.Put()),
              u"Unable to get provisioned contexts. Error Code: 0x%x\r\n");
    ReportText& text = run.text;
    run.Walk<OwnedRecord<MBN_CONTEXT>>(
        contexts.Get(),
        {.lowerBoundFailure =
             u"Unexpected error when retrieving lower bound of safearray of provisioned contexts. Error Code: 0x%x\r\n",
         .upperBoundFailure =
             u"Unexpected error when retrieving upper bound of safearray of provisioned contexts. Error Code: 0x%x\r\n",
         .fetchFailure =
             u"Unexpected error when retieving provisioned context from the safearray. Error Code: 0x%x\r\n"},
        [&](OwnedRecord<MBN_CONTEXT>& context) {
            text.Append(u"Connection Context                 %ld:\r\n", context->contextID);
            text.Append(u"Access String                      %s\r\n", context->accessString);
            text.Append(u"User Name                          %s\r\n", context->userName);
            text.Append(u"Password                           %s\r\n", context->password);
            AppendLineFor(text, kAuthTypeLines, context->authType,
                          u"Auth type                          Unknown\r\n");
            AppendLineFor(text, kCompressionLines, context->compression,
                          u"Ccompression                       Unknown\r\n");
            AppendLineFor(text, kContextTypeLines, context->contextType,
                          u"Context type                       Unknown\r\n");
        });
}

}  // namespace paravue

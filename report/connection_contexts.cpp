// Connection contexts: every context provisioned on the device, credentials
// included.
#include <cstdint>

#include "platform/safearray.h"
#include "report/report_text.h"
#include "report/sections.h"

namespace paravue {
namespace {

void AppendAuthType(RunState& run, MBN_AUTH_PROTOCOL authType) {
    switch (static_cast<std::uint32_t>(authType)) {
        case MBN_AUTH_PROTOCOL_NONE:
            run.text.Append(u"Auth type                          NONE\r\n");
            break;
        case MBN_AUTH_PROTOCOL_PAP:
            run.text.Append(u"Auth type                          PAP\r\n");
            break;
        case MBN_AUTH_PROTOCOL_CHAP:
            run.text.Append(u"Auth type                          CHAP\r\n");
            break;
        case MBN_AUTH_PROTOCOL_MSCHAPV2:
            run.text.Append(u"Auth type                          MSCHAPV2\r\n");
            break;
        default:
            run.text.Append(u"Auth type                          Unknown\r\n");
            break;
    }
}

void AppendCompression(RunState& run, MBN_COMPRESSION compression) {
    switch (compression) {
        case MBN_COMPRESSION_NONE:
            run.text.Append(u"Compression                        NONE\r\n");
            break;
        case MBN_COMPRESSION_ENABLE:
            run.text.Append(u"Ccompression                       ENABLE\r\n");
            break;
        default:
            run.text.Append(u"Ccompression                       Unknown\r\n");
            break;
    }
}

void AppendContextType(RunState& run, MBN_CONTEXT_TYPE contextType) {
    switch (static_cast<std::uint32_t>(contextType)) {
        case MBN_CONTEXT_TYPE_NONE:
            run.text.Append(u"Context type                       NONE\r\n");
            break;
        case MBN_CONTEXT_TYPE_INTERNET:
            run.text.Append(u"Context type                       INTERNET\r\n");
            break;
        case MBN_CONTEXT_TYPE_VPN:
            run.text.Append(u"Context type                       VPN\r\n");
            break;
        case MBN_CONTEXT_TYPE_VOICE:
            run.text.Append(u"Context type                       VOICE\r\n");
            break;
        case MBN_CONTEXT_TYPE_VIDEO_SHARE:
            run.text.Append(u"Context type                       VIDEO_SHARE\r\n");
            break;
        case MBN_CONTEXT_TYPE_CUSTOM:
            run.text.Append(u"Context type                       CUSTOM\r\n");
            break;
        default:
            run.text.Append(u"Context type                       Unknown\r\n");
            break;
    }
}

}  // namespace

Next ReportConnectionContexts(RunState& run) {
    HRESULT hr = run.Record(run.selectedInterface.As(&run.connectionContext));
    if (FAILED(hr)) {
        run.text.Append(u"Unable to get connection context information. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    UniqueSafeArray contexts;
    hr = run.Record(run.connectionContext->GetProvisionedContexts(contexts.Put()));
    if (FAILED(hr)) {
        run.text.Append(u"Unable to get provisioned contexts. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    LONG lower = 0;
    LONG upper = 0;
    hr = run.Record(SafeArrayGetLBound(contexts.Get(), 1, &lower));
    if (FAILED(hr)) {
        run.text.Append(
            u"Unexpected error when retrieving lower bound of safearray of provisioned contexts. "
            u"Error Code: 0x%x\r\n",
            hr);
        return Next::EndRun;
    }
    hr = run.Record(SafeArrayGetUBound(contexts.Get(), 1, &upper));
    if (FAILED(hr)) {
        run.text.Append(
            u"Unexpected error when retrieving upper bound of safearray of provisioned contexts. "
            u"Error Code: 0x%x\r\n",
            hr);
        return Next::EndRun;
    }

    OwnedRecord<MBN_CONTEXT> context;
    for (std::int64_t i = lower; i <= upper; ++i) {
        const LONG index = static_cast<LONG>(i);
        hr = SafeArrayGetElement(contexts.Get(), &index, context.Put());
        if (FAILED(hr)) {
            run.text.Append(
                u"Unexpected error when retieving provisioned context from the safearray. Error "
                u"Code: 0x%x\r\n",
                hr);
            break;
        }
        run.text.Append(u"Connection Context                 %ld:\r\n", context->contextID);
        run.text.Append(u"Access String                      %s\r\n", context->accessString);
        run.text.Append(u"User Name                          %s\r\n", context->userName);
        run.text.Append(u"Password                           %s\r\n", context->password);
        context.Clear();
        AppendAuthType(run, context->authType);
        AppendCompression(run, context->compression);
        AppendContextType(run, context->contextType);
    }
    return Next::Continue;
}

}  // namespace paravue

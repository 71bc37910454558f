// Connection contexts: every context provisioned on the device, credentials
// included.
#include <cstdint>

#include "platform/array_calls.h"
#include "platform/safearray.h"
#include "report/report_text.h"
#include "report/sections.h"

namespace paravue {
namespace {

void AppendAuthType(MBN_AUTH_PROTOCOL authType) {
    switch (static_cast<std::uint32_t>(authType)) {
        case MBN_AUTH_PROTOCOL_NONE:
            AppendReport(u"Auth type                          NONE\r\n");
            break;
        case MBN_AUTH_PROTOCOL_PAP:
            AppendReport(u"Auth type                          PAP\r\n");
            break;
        case MBN_AUTH_PROTOCOL_CHAP:
            AppendReport(u"Auth type                          CHAP\r\n");
            break;
        case MBN_AUTH_PROTOCOL_MSCHAPV2:
            AppendReport(u"Auth type                          MSCHAPV2\r\n");
            break;
        default:
            AppendReport(u"Auth type                          Unknown\r\n");
            break;
    }
}

void AppendCompression(MBN_COMPRESSION compression) {
    switch (compression) {
        case MBN_COMPRESSION_NONE:
            AppendReport(u"Compression                        NONE\r\n");
            break;
        case MBN_COMPRESSION_ENABLE:
            AppendReport(u"Ccompression                       ENABLE\r\n");
            break;
        default:
            AppendReport(u"Ccompression                       Unknown\r\n");
            break;
    }
}

void AppendContextType(MBN_CONTEXT_TYPE contextType) {
    switch (static_cast<std::uint32_t>(contextType)) {
        case MBN_CONTEXT_TYPE_NONE:
            AppendReport(u"Context type                       NONE\r\n");
            break;
        case MBN_CONTEXT_TYPE_INTERNET:
            AppendReport(u"Context type                       INTERNET\r\n");
            break;
        case MBN_CONTEXT_TYPE_VPN:
            AppendReport(u"Context type                       VPN\r\n");
            break;
        case MBN_CONTEXT_TYPE_VOICE:
            AppendReport(u"Context type                       VOICE\r\n");
            break;
        case MBN_CONTEXT_TYPE_VIDEO_SHARE:
            AppendReport(u"Context type                       VIDEO_SHARE\r\n");
            break;
        case MBN_CONTEXT_TYPE_CUSTOM:
            AppendReport(u"Context type                       CUSTOM\r\n");
            break;
        default:
            AppendReport(u"Context type                       Unknown\r\n");
            break;
    }
}

}  // namespace

Next ReportConnectionContexts(RunState& run) {
    HRESULT hr = run.Record(run.selectedInterface.As(&run.connectionContext));
    if (FAILED(hr)) {
        AppendReport(u"Unable to get connection context information. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    UniqueSafeArray contexts;
    hr = run.Record(run.connectionContext->GetProvisionedContexts(contexts.Put()));
    if (FAILED(hr)) {
        AppendReport(u"Unable to get provisioned contexts. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    LONG lower = 0;
    LONG upper = 0;
    hr = run.Record(ArrayGetLBound(contexts.Get(), 1, &lower));
    if (FAILED(hr)) {
        AppendReport(
            u"Unexpected error when retrieving lower bound of safearray of provisioned contexts. "
            u"Error Code: 0x%x\r\n",
            hr);
        return Next::EndRun;
    }
    hr = run.Record(ArrayGetUBound(contexts.Get(), 1, &upper));
    if (FAILED(hr)) {
        AppendReport(
            u"Unexpected error when retrieving upper bound of safearray of provisioned contexts. "
            u"Error Code: 0x%x\r\n",
            hr);
        return Next::EndRun;
    }

    OwnedRecord<MBN_CONTEXT> context;
    for (std::int64_t i = lower; i <= upper; ++i) {
        const LONG index = static_cast<LONG>(i);
        hr = ArrayGetElement(contexts.Get(), &index, context.Put());
        if (FAILED(hr)) {
            AppendReport(
                u"Unexpected error when retieving provisioned context from the safearray. Error "
                u"Code: 0x%x\r\n",
                hr);
            break;
        }
        AppendReport(u"Connection Context                 %ld:\r\n", context->contextID);
        AppendReport(u"Access String                      %s\r\n", context->accessString);
        AppendReport(u"User Name                          %s\r\n", context->userName);
        AppendReport(u"Password                           %s\r\n", context->password);
        context.Clear();
        AppendAuthType(context->authType);
        AppendCompression(context->compression);
        AppendContextType(context->contextType);
    }
    return Next::Continue;
}

}  // namespace paravue

// Discovery: the first Mobile Broadband interface, how many there are, and
// the name of its network adapter.
#include <cstdint>
#include <string>

#include "platform/array_calls.h"
#include "platform/bstr.h"
#include "platform/safearray.h"
#include "report/adapter_description.h"
#include "report/report_text.h"
#include "report/sections.h"

namespace paravue {

Next ReportDiscovery(RunState& run) {
    UniqueSafeArray interfaces;
    HRESULT hr = run.Record(run.interfaceManager->GetInterfaces(interfaces.Put()));
    if (FAILED(hr)) {
        if (hr == HRESULT_FROM_WIN32(ERROR_NOT_FOUND)) {
            AppendReport(
                u"No Mobile Broadband Device Found.  Please Insert a Windows 7 Compatible Mobile "
                u"Data Device.\r\n");
        } else {
            AppendReport(u"Unable to get Mobile Broadband device information. Error code: 0x%x\r\n",
                         hr);
        }
        return Next::EndRun;
    }

    LONG lower = 0;
    LONG upper = 0;
    if (FAILED(run.Record(ArrayGetLBound(interfaces.Get(), 1, &lower))) ||
        FAILED(run.Record(ArrayGetUBound(interfaces.Get(), 1, &upper))))
        return Next::EndRun;
    if (lower > upper) {
        AppendReport(
            u"No Mobile Broadband Device Found.  Please Insert a Windows 7 Compatible Mobile Data "
            u"Device.\r\n");
        return Next::EndRun;
    }
    // Counted wide: bounds far apart must not overflow on the way.
    const auto count = static_cast<std::int32_t>(std::int64_t{upper} - lower + 1);
    AppendReport(u"Number of MB devices               %d\r\n", count);

    hr = run.Record(ArrayGetElement(interfaces.Get(), &lower, run.selectedInterface.PutVoid()));
    if (FAILED(hr)) {
        AppendReport(
            u"Unexpected error when retrieving interface information from the safe array. Error "
            u"Code: 0x%x\r\n",
            hr);
        return Next::EndRun;
    }

    UniqueBstr interfaceId;
    hr = run.Record(run.selectedInterface->get_InterfaceID(interfaceId.Put()));
    if (FAILED(hr)) {
        AppendReport(u"Unexpected error when retrieving interface id. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }

    const char16_t* idText = interfaceId.Get() ? interfaceId.Get() : u"";
    LookupAdapterDescription(std::u16string(idText), run.description);
    if (!run.description.empty())
        AppendReport(u"Device name                        %s\r\n", run.description);
    AppendReport(u"Interface ID                       %s\r\n", interfaceId.Get());
    interfaceId.Reset();
    interfaces.Reset();
    return Next::Continue;
}

}  // namespace paravue

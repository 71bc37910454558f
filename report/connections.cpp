// Connections: the ID of every connection the connection manager knows,
// whichever interface it belongs to.
#include <cstdint>

#include "platform/array_calls.h"
#include "platform/bstr.h"
#include "platform/runtime.h"
#include "platform/safearray.h"
#include "report/report_text.h"
#include "report/sections.h"

namespace paravue {

// A connection that cannot be fetched or has no ID gets no line, and neither
// failure is recorded in the run status.
Next ReportConnections(RunState& run) {
    HRESULT hr =
        run.Record(CoCreateInstance(CLSID_MbnConnectionManager, nullptr, CLSCTX_ALL,
                                    IID_IMbnConnectionManager, run.connectionManager.PutVoid()));
    if (FAILED(hr)) {
        AppendReport(u"Unable to create connection manager instance. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    UniqueSafeArray connections;
    hr = run.Record(run.connectionManager->GetConnections(connections.Put()));
    if (FAILED(hr)) {
        AppendReport(u"Unable to retieve connection information. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    LONG lower = 0;
    LONG upper = 0;
    hr = run.Record(ArrayGetLBound(connections.Get(), 1, &lower));
    if (FAILED(hr)) {
        AppendReport(
            u"Unexpected error when retrieving lower bound of safearray of connections. Error "
            u"Code: 0x%x\r\n",
            hr);
        return Next::EndRun;
    }
    hr = run.Record(ArrayGetUBound(connections.Get(), 1, &upper));
    if (FAILED(hr)) {
        AppendReport(
            u"Unexpected error when retrieving upper bound of safearray of connection. Error "
            u"Code: 0x%x\r\n",
            hr);
        return Next::EndRun;
    }
    for (std::int64_t i = lower; i <= upper; ++i) {
        const LONG index = static_cast<LONG>(i);
        ComPtr<IMbnConnection> connection;
        if (FAILED(ArrayGetElement(connections.Get(), &index, connection.PutVoid())))
            continue;
        UniqueBstr id;
        if (SUCCEEDED(connection->get_ConnectionID(id.Put())))
            AppendReport(u"Connection ID                      %s\r\n", id.Get());
    }
    return Next::Continue;
}

}  // namespace paravue

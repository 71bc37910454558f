#include "platform/modemmanager/mm_connection_manager.h"

#include "platform/modemmanager/mm_connection.h"
#include "platform/modemmanager/mm_errors.h"

namespace paravue::mm {

MmConnectionManager::MmConnectionManager(std::shared_ptr<Session> session)
    : session_(std::move(session)) {}

HRESULT MmConnectionManager::GetConnections(SAFEARRAY** connections) {
    if (!connections)
        return E_POINTER;
    *connections = nullptr;
    Session::Use use(*session_);
    if (!use.Ok())
        return kWrongThread;
    std::vector<GObjectPtr<MMObject>> modems;
    if (HRESULT hr = session_->Modems(&modems); FAILED(hr))
        return hr;
    UniqueSafeArray array(
        SafeArrayCreateVector(SafeArrayKind::Unknown, 0, static_cast<ULONG>(modems.size())));
    if (!array)
        return E_OUTOFMEMORY;
    SafeArraySetName(array.Get(), "connections");
    for (std::size_t i = 0; i < modems.size(); ++i) {
        ComPtr<MmConnection> connection =
            MakeComObject<MmConnection>(session_, std::move(modems[i]));
        IMbnConnection* element = connection.Get();
        LONG index = static_cast<LONG>(i);
        if (HRESULT hr = SafeArrayPutElement(array.Get(), &index, &element); FAILED(hr))
            return hr;
    }
    *connections = array.Release();
    return S_OK;
}

}  // namespace paravue::mm

#include "platform/modemmanager/mm_connection_manager.h"

#include "platform/modemmanager/mm_connection.h"
#include "platform/modemmanager/mm_errors.h"
#include "platform/modemmanager/mm_modem_array.h"

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
    std::vector<ModemRef> modems;
    if (HRESULT hr = session_->Modems(&modems); FAILED(hr))
        return hr;
    return ModemObjectArray<MmConnection, IMbnConnection>(session_, std::move(modems),
                                                          "connections", connections);
}

}  // namespace paravue::mm

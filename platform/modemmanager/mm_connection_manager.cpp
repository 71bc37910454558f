#include "platform/modemmanager/mm_connection_manager.h"

#include "platform/modemmanager/mm_connection.h"
#include "platform/modemmanager/mm_modem_array.h"

namespace paravue::mm {

MmConnectionManager::MmConnectionManager(std::shared_ptr<RunReader> reader)
    : reader_(std::move(reader)) {}

HRESULT MmConnectionManager::GetConnections(SAFEARRAY** connections) {
    // No modem: an empty list, not an error.
    return ModemObjectArray<MmConnection, IMbnConnection>(reader_, S_OK, connections);
}

}  // namespace paravue::mm

#include "app/mbn_interface_manager_sinks.h"

#include "app/mbn_messages.h"

namespace paravue::app {

CMbnInterfaceManagerSinks::CMbnInterfaceManagerSinks(const MainWindowSlot& mainWindow)
    : mainWindow_(mainWindow) {}

HRESULT CMbnInterfaceManagerSinks::OnInterfaceArrival(IMbnInterface* newInterface) {
    PostIfIdentified(newInterface, WM_MBN_INTERFACE_ARRIVAL);
    return S_OK;
}

HRESULT CMbnInterfaceManagerSinks::OnInterfaceRemoval(IMbnInterface* oldInterface) {
    PostIfIdentified(oldInterface, WM_MBN_INTERFACE_REMOVAL);
    return S_OK;
}

void CMbnInterfaceManagerSinks::PostIfIdentified(IMbnInterface* mbnInterface, int eventType) {
    if (!mbnInterface)
        return;
    // The window never reads the ID; it only decides whether the event is posted.
    UniqueBstr interfaceId;
    if (FAILED(mbnInterface->get_InterfaceID(interfaceId.Put())))
        return;
    mainWindow_.Post(eventType);
}

}  // namespace paravue::app

#include "platform/modemmanager/modemmanager_service.h"

#include "platform/mbn.h"
#include "platform/modemmanager/mm_connection_manager.h"
#include "platform/modemmanager/mm_interface_manager.h"
#include "platform/modemmanager/mm_profile_manager.h"
#include "platform/modemmanager/mm_session.h"

namespace paravue::mm {

ModemManagerService::ModemManagerService(ServiceOptions options) {
    // Every creation opens a session of its own: each report run sees the
    // daemon as it is now.
    interfaceManager_ = ClassRegistration(
        CLSID_MbnInterfaceManager, "MbnInterfaceManager", [options](REFIID iid, void** object) {
            std::shared_ptr<Session> session;
            if (HRESULT hr = Session::Open(options, &session); FAILED(hr))
                return hr;
            return MakeComObject<MmInterfaceManager>(std::move(session), options)
                ->QueryInterface(iid, object);
        });
    connectionManager_ = ClassRegistration(
        CLSID_MbnConnectionManager, "MbnConnectionManager", [options](REFIID iid, void** object) {
            std::shared_ptr<Session> session;
            if (HRESULT hr = Session::Open(options, &session); FAILED(hr))
                return hr;
            return MakeComObject<MmConnectionManager>(std::move(session))
                ->QueryInterface(iid, object);
        });
    profileManager_ =
        ClassRegistration(CLSID_MbnConnectionProfileManager, "MbnConnectionProfileManager",
                          [](REFIID iid, void** object) {
                              return MakeComObject<MmProfileManager>()->QueryInterface(iid, object);
                          });
}

}  // namespace paravue::mm

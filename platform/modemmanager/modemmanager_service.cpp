#include "platform/modemmanager/modemmanager_service.h"

#include "platform/mbn.h"
#include "platform/modemmanager/mm_connection_manager.h"
#include "platform/modemmanager/mm_interface_manager.h"
#include "platform/modemmanager/mm_profile_manager.h"
#include "platform/modemmanager/mm_run_sessions.h"

namespace paravue::mm {

ModemManagerService::ModemManagerService(ServiceOptions options)
    : runs_(std::make_shared<RunSessions>(options)) {
    // An interface manager begins a run: it sees the daemon as it is when it
    // is first asked for its interfaces (one that only carries event
    // subscriptions never waits for the daemon). The connection and profile
    // managers join the run in progress.
    interfaceManager_ = ClassRegistration(
        CLSID_MbnInterfaceManager, "MbnInterfaceManager",
        [runs = runs_, options](REFIID iid, void** object) {
            std::shared_ptr<Session> session;
            if (HRESULT hr = runs->Begin(&session, Session::Listing::OnFirstUse); FAILED(hr))
                return hr;
            return MakeComObject<MmInterfaceManager>(std::move(session), options)
                ->QueryInterface(iid, object);
        });
    connectionManager_ =
        ClassRegistration(CLSID_MbnConnectionManager, "MbnConnectionManager",
                          [runs = runs_](REFIID iid, void** object) {
                              std::shared_ptr<Session> session;
                              if (HRESULT hr = runs->Join(&session); FAILED(hr))
                                  return hr;
                              return MakeComObject<MmConnectionManager>(std::move(session))
                                  ->QueryInterface(iid, object);
                          });
    profileManager_ = ClassRegistration(
        CLSID_MbnConnectionProfileManager, "MbnConnectionProfileManager",
        [runs = runs_](REFIID iid, void** object) {
            std::shared_ptr<Session> session;
            if (HRESULT hr = runs->Join(&session); FAILED(hr))
                return hr;
            return MakeComObject<MmProfileManager>(std::move(session))->QueryInterface(iid, object);
        });
}

RunCauses ModemManagerService::LastRunCauses() const {
    return runs_->Notes().Causes();
}

}  // namespace paravue::mm

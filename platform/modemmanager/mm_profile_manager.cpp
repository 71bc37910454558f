#include "platform/modemmanager/mm_profile_manager.h"

namespace paravue::mm {

MmProfileManager::MmProfileManager(std::shared_ptr<Session> session)
    : session_(std::move(session)) {}

HRESULT MmProfileManager::GetConnectionProfiles(IMbnInterface* mbnInterface,
                                                SAFEARRAY** connectionProfiles) {
    if (!connectionProfiles)
        return E_POINTER;
    *connectionProfiles = nullptr;
    if (!mbnInterface)
        return E_INVALIDARG;
    SAFEARRAY* array = SafeArrayCreateVector(SafeArrayKind::Unknown, 0, 0);
    if (!array)
        return E_OUTOFMEMORY;
    SafeArraySetName(array, "connectionProfiles");
    *connectionProfiles = array;
    return S_OK;
}

}  // namespace paravue::mm

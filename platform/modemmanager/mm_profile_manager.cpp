#include "platform/modemmanager/mm_profile_manager.h"

#include "platform/safearray.h"

namespace paravue::mm {

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
    *connectionProfiles = array;
    return S_OK;
}

}  // namespace paravue::mm

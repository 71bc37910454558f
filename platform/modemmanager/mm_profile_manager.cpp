#include "platform/modemmanager/mm_profile_manager.h"

#include "platform/modemmanager/mm_errors.h"
#include "platform/modemmanager/mm_interface.h"
#include "platform/modemmanager/mm_profile.h"
#include "platform/modemmanager/nm_profiles.h"
#include "platform/safearray.h"

namespace paravue::mm {

MmProfileManager::MmProfileManager(std::shared_ptr<RunReader> reader)
    : reader_(std::move(reader)) {}

HRESULT MmProfileManager::GetConnectionProfiles(IMbnInterface* mbnInterface,
                                                SAFEARRAY** connectionProfiles) {
    if (!connectionProfiles)
        return E_POINTER;
    *connectionProfiles = nullptr;
    // Only this service's interfaces know their modem.
    auto* modem = dynamic_cast<MmInterface*>(mbnInterface);
    if (!modem)
        return E_INVALIDARG;
    ModemTarget target;
    if (HRESULT hr = modem->ReadProfileTarget(&target); FAILED(hr))
        return hr;
    // NetworkManager is read over the run's one bus connection.
    std::vector<GsmConnection> saved;
    {
        BusLink::Use use(reader_->Link());
        if (!use.Ok())
            return kWrongThread;
        NmListing listing = reader_->ListSavedConnections();
        // No daemon, no saved connections: an empty list, and the reason noted.
        if (NetworkManagerAbsent(listing))
            reader_->Note(RunCause::NetworkManagerNotRunning);
        if (HRESULT hr =
                ReadGsmConnections(reader_->Link().Connection(),
                                   reader_->Link().Options().callBound, std::move(listing), &saved);
            FAILED(hr))
            return hr;
    }

    std::vector<std::string> documents;
    for (const GsmConnection& connection : saved)
        if (AppliesTo(connection, target))
            documents.push_back(ProfileXml(connection, target));
    UniqueSafeArray array(
        SafeArrayCreateVector(SafeArrayKind::Unknown, 0, static_cast<ULONG>(documents.size())));
    if (!array)
        return E_OUTOFMEMORY;
    for (std::size_t i = 0; i < documents.size(); ++i) {
        ComPtr<MmProfile> profile = MakeComObject<MmProfile>(std::move(documents[i]));
        IMbnConnectionProfile* element = profile.Get();
        LONG index = static_cast<LONG>(i);
        if (HRESULT hr = SafeArrayPutElement(array.Get(), &index, &element); FAILED(hr))
            return hr;
    }
    *connectionProfiles = array.Release();
    return S_OK;
}

}  // namespace paravue::mm

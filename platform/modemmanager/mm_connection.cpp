#include "platform/modemmanager/mm_connection.h"

#include <algorithm>

#include "platform/modemmanager/mm_errors.h"
#include "platform/modemmanager/mm_interface.h"
#include "platform/modemmanager/mm_mapping.h"
#include "platform/modemmanager/mm_modem_object.h"
#include "platform/modemmanager/mm_text.h"
#include "platform/modemmanager/nm_profiles.h"

namespace paravue::mm {
namespace {

// One saved connection's profile document.
class MmProfile final : public ServiceObject<MmProfile, IMbnConnectionProfile> {
  public:
    explicit MmProfile(std::string xml) : xml_(std::move(xml)) {}
    HRESULT GetProfileXmlData(BSTR* out) override { return NewBstr(xml_, out); }

  private:
    const std::string xml_;
};

}  // namespace

HRESULT MmConnection::get_ConnectionID(BSTR* connectionId) {
    if (!connectionId)
        return E_POINTER;
    return InUse(session_->Link(),
                 [&] { return NewBstr(InterfaceIdOf(modem_->modem.get()), connectionId); });
}

HRESULT MmConnection::GetConnectionState(MBN_ACTIVATION_STATE* activationState, BSTR* profileName) {
    if (!activationState || !profileName)
        return E_POINTER;
    return InUse(session_->Link(), [&] {
        MMModem* modem = modem_->modem.get();
        std::vector<GObjectPtr<MMBearer>> bearers;
        if (HRESULT hr = session_->ReadBearers(modem, &bearers); FAILED(hr))
            return hr;
        // The first connected bearer, else the first.
        auto connected = std::find_if(bearers.begin(), bearers.end(),
                                      [](auto& b) { return mm_bearer_get_connected(b.get()); });
        MMBearer* shown = bearers.empty() ? nullptr : bearers.front().get();
        if (connected != bearers.end())
            shown = connected->get();
        // The profile's name when it has one, else the APN it uses.
        std::string name;
        if (GObjectPtr<MMBearerProperties> properties{shown ? mm_bearer_get_properties(shown)
                                                            : nullptr}) {
            name = Text(mm_bearer_properties_get_profile_name(properties.get()));
            if (name.empty())
                name = Text(mm_bearer_properties_get_apn(properties.get()));
        }
        UniqueBstr text;
        if (HRESULT hr = NewBstr(name, text.Put()); FAILED(hr))
            return hr;
        *activationState =
            ActivationStateFrom({mm_modem_get_state(modem), connected != bearers.end()});
        *profileName = text.Release();
        return S_OK;
    });
}

HRESULT MmConnectionManager::GetConnections(SAFEARRAY** connections) {
    // No modem: an empty list, not an error.
    return ModemObjectArray<MmConnection, IMbnConnection>(reader_, S_OK, connections);
}

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
        if (HRESULT hr = ReadGsmConnections(reader_->Link(), std::move(listing), &saved);
            FAILED(hr))
            return hr;
    }

    std::vector<std::string> documents;
    for (const GsmConnection& connection : saved)
        if (AppliesTo(connection, target))
            documents.push_back(ProfileXml(connection, target));
    return InterfaceArray<IMbnConnectionProfile>(
        documents.size(), connectionProfiles,
        [&](std::size_t i) { return MakeComObject<MmProfile>(std::move(documents[i])); });
}

}  // namespace paravue::mm

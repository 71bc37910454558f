#include "platform/modemmanager/mm_connection.h"

#include "platform/modemmanager/mm_bearers.h"
#include "platform/modemmanager/mm_errors.h"
#include "platform/modemmanager/mm_mapping.h"
#include "platform/modemmanager/mm_modem_facts.h"
#include "platform/modemmanager/mm_text.h"

namespace paravue::mm {

MmConnection::MmConnection(std::shared_ptr<ModemReads> session, ModemRef modem)
    : session_(std::move(session)), modem_(std::move(modem)) {}

HRESULT MmConnection::get_ConnectionID(BSTR* connectionId) {
    if (!connectionId)
        return E_POINTER;
    BusLink::Use use(session_->Link());
    if (!use.Ok())
        return kWrongThread;
    return NewBstr(InterfaceIdOf(modem_->modem.get()), connectionId);
}

HRESULT MmConnection::GetConnectionState(MBN_ACTIVATION_STATE* activationState, BSTR* profileName) {
    if (!activationState || !profileName)
        return E_POINTER;
    BusLink::Use use(session_->Link());
    if (!use.Ok())
        return kWrongThread;
    MMModem* modem = modem_->modem.get();
    std::vector<GObjectPtr<MMBearer>> bearers;
    if (HRESULT hr = ListBearers(*session_, modem, &bearers); FAILED(hr))
        return hr;

    ActivationInputs inputs;
    inputs.state = mm_modem_get_state(modem);
    MMBearer* shown = bearers.empty() ? nullptr : bearers.front().get();
    for (auto& bearer : bearers) {
        if (mm_bearer_get_connected(bearer.get())) {
            inputs.anyConnected = true;
            shown = bearer.get();
            break;
        }
    }
    // The profile's name when it has one, else the APN it uses.
    std::string name;
    if (shown) {
        GObjectPtr<MMBearerProperties> properties(mm_bearer_get_properties(shown));
        if (properties) {
            name = Text(mm_bearer_properties_get_profile_name(properties.get()));
            if (name.empty())
                name = Text(mm_bearer_properties_get_apn(properties.get()));
        }
    }
    UniqueBstr text;
    if (HRESULT hr = NewBstr(name, text.Put()); FAILED(hr))
        return hr;
    *activationState = ActivationStateFrom(inputs);
    *profileName = text.Release();
    return S_OK;
}

}  // namespace paravue::mm

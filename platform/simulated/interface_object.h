// One Mobile Broadband interface of a snapshot of the device state.
#pragma once

#include <cstddef>
#include <memory>

#include "platform/com_object.h"
#include "platform/mbn.h"
#include "platform/simulated/scenario.h"

namespace paravue::simulated {

class InterfaceObject final : public ServiceObject<InterfaceObject, IMbnInterface> {
  public:
    // `data` points into a snapshot that it keeps alive.
    explicit InterfaceObject(std::shared_ptr<const Interface> data);

    // Signal, registration, connection context and radio are separate objects,
    // each obtained (or refused) as the scenario says.
    HRESULT QueryInterface(REFIID iid, void** object) override;

    HRESULT get_InterfaceID(BSTR* interfaceId) override;
    HRESULT GetInterfaceCapability(MBN_INTERFACE_CAPS* capabilities) override;
    HRESULT GetSubscriberInformation(IMbnSubscriberInformation** subscriber) override;
    HRESULT GetReadyState(MBN_READY_STATE* readyState) override;
    HRESULT InEmergencyMode(VARIANT_BOOL* emergencyMode) override;
    HRESULT GetHomeProvider(MBN_PROVIDER* homeProvider) override;
    HRESULT GetPreferredProviders(SAFEARRAY** preferredProviders) override;
    HRESULT GetConnection(IMbnConnection** connection) override;

    const std::shared_ptr<const Interface>& Data() const { return data_; }

  private:
    using Base = ServiceObject<InterfaceObject, IMbnInterface>;
    std::shared_ptr<const Interface> data_;
};

// The interface at `index` of the snapshot's interface list, or null when the
// list or that element cannot be obtained.
std::shared_ptr<const Interface> InterfaceAt(const std::shared_ptr<const Scenario>& state,
                                             std::size_t index);
ComPtr<IMbnInterface> MakeInterfaceObject(std::shared_ptr<const Interface> data);
// Null when `object` is not one of this service's interfaces.
InterfaceObject* AsInterfaceObject(IMbnInterface* object);

}  // namespace paravue::simulated

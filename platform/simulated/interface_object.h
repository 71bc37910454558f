// The objects that answer a Mobile Broadband interface and its parts
// (subscriber information, signal, registration, connection context, radio,
// connection, profile) from one snapshot of the device state, which each keeps
// alive. Each getter answers from the scenario field its row in
// mbn_getters.h names.
#pragma once

#include <cstddef>
#include <memory>

#include "platform/com.h"
#include "platform/mbn.h"
#include "platform/simulated/scenario.h"

namespace paravue::simulated {

#define PARAVUE_MAKE_OBJECT(Part, Interface, GETTERS) \
    ComPtr<Interface> MakeObject(std::shared_ptr<const Part> part);
PARAVUE_MBN_PARTS(PARAVUE_MAKE_OBJECT)
#undef PARAVUE_MAKE_OBJECT

// The interface at `index` of the snapshot's interface list, or null when the
// list or that element cannot be obtained.
std::shared_ptr<const Interface> InterfaceAt(const std::shared_ptr<const Scenario>& state,
                                             std::size_t index);
// What one of this service's interfaces answers from; null for another object.
std::shared_ptr<const Interface> InterfaceData(IMbnInterface* object);

}  // namespace paravue::simulated

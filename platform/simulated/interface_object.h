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
#include "platform/simulated/hand_out.h"
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

// Hands out the object made from one part of `owner`, or the part's failure;
// the object keeps `owner` alive.
template <class Owner, class T, class Out>
HRESULT HandOutObject(const std::shared_ptr<const Owner>& owner, const Field<T>& field, Out** out) {
    return Answer(field, out, [&](const T& value, Out** to) {
        *to = MakeObject(std::shared_ptr<const T>(owner, &value)).Detach();
        return *to ? S_OK : E_OUTOFMEMORY;
    });
}

// An array of such objects, each typed as the reader fetches it.
template <class Owner, class T>
HRESULT HandOutObjects(const std::shared_ptr<const Owner>& owner, const Field<Array<T>>& field,
                       SAFEARRAY** out) {
    auto put = [&](SAFEARRAY* array, LONG index, const T& item) {
        auto object = MakeObject(std::shared_ptr<const T>(owner, &item));
        auto* typed = object.Get();
        return SafeArrayPutElement(array, &index, &typed);
    };
    return Answer(field, out, [&](const Array<T>& array, SAFEARRAY** to) {
        return BuildArray(array, SafeArrayKind::Unknown, put, to);
    });
}

}  // namespace paravue::simulated

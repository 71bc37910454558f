// The objects that answer an interface and its parts from one snapshot of the
// device state, which each keeps alive. Each getter hands out its row's field
// as the service does: out- parameters are cleared first and stay cleared on
// failure; strings and arrays are fresh.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <type_traits>
#include <utility>

#include "platform/bstr.h"
#include "platform/com.h"
#include "platform/mbn.h"
#include "platform/safearray.h"
#include "platform/simulated/failing_arrays.h"
#include "platform/simulated/scenario.h"

namespace paravue::simulated {

// A value as the service hands it out: a fresh BSTR (null for a null String), a
// record with fresh strings, or the value itself; E_OUTOFMEMORY leaves the
// out-parameter empty.
template <class T>
HRESULT CopyOut(const T& value, OutOf<T>* out) {
    if constexpr (std::is_same_v<T, String>) {
        *out = value ? AllocBstr(*value) : nullptr;
        return value && !*out ? E_OUTOFMEMORY : S_OK;
    } else if constexpr (std::is_same_v<OutOf<T>, T>) {
        *out = value;
        return S_OK;
    } else {
        *out = {};
        HRESULT status = S_OK;
        T::Pairs(*out, value, [&](auto& member, const auto& from) {
            if constexpr (std::is_same_v<std::decay_t<decltype(member)>, BSTR>) {
                if (SUCCEEDED(status))
                    status = CopyOut(from, &member);
            } else {
                member = from;
            }
        });
        if (FAILED(status)) {
            ClearRecord(*out);
            *out = {};
        }
        return status;
    }
}

// The common shape of a getter: clear the out-parameter, then fail, or hand
// out the value with `copy(value, out)` and the field's status.
template <class T, class Out, class Copy>
HRESULT Answer(const Field<T>& field, Out* out, Copy&& copy) {
    if (!out)
        return E_POINTER;
    *out = Out{};
    if (field.Failed())
        return field.status;
    if (HRESULT hr = copy(field.value, out); FAILED(hr))
        return hr;
    return field.status;
}

// A getter returning an array: a fresh SAFEARRAY of the items, its bound and
// element faults noted. `put(array, index, item)` stores one item.
template <class T, class Put>
HRESULT HandOutArray(const Field<Array<T>>& field, SafeArrayKind kind, Put&& put, SAFEARRAY** out) {
    return Answer(field, out, [&](const Array<T>& source, SAFEARRAY** to) -> HRESULT {
        std::int64_t upper =
            std::int64_t{source.lowerBound} + std::int64_t(source.items.size()) - 1;
        if (upper > std::numeric_limits<LONG>::max())
            return E_INVALIDARG;
        UniqueSafeArray array(SafeArrayCreateVector(kind, source.lowerBound,
                                                    static_cast<ULONG>(source.items.size())));
        if (!array)
            return E_OUTOFMEMORY;
        ArrayFaults faults{source.lowerBoundStatus, source.upperBoundStatus, {}};
        for (std::size_t i = 0; i < source.items.size(); ++i) {
            LONG index = static_cast<LONG>(source.lowerBound + static_cast<std::int64_t>(i));
            const Field<T>& item = source.items[i];
            if (item.Failed()) {
                faults.elements[index] = item.status;
            } else if (HRESULT hr = put(array.Get(), index, item.value); FAILED(hr)) {
                return hr;
            }
        }
        NoteArrayFaults(array.Get(), std::move(faults));
        *to = array.Release();
        return S_OK;
    });
}

// An array of values, each copied into the array (which copies it again).
template <class T>
HRESULT HandOutArray(const Field<Array<T>>& field, SAFEARRAY** out) {
    constexpr SafeArrayKind kind = std::is_same_v<T, String>    ? SafeArrayKind::Bstr
                                   : std::is_same_v<T, Context> ? SafeArrayKind::MbnContext
                                                                : SafeArrayKind::MbnProvider;
    auto put = [](SAFEARRAY* array, LONG index, const T& item) {
        std::conditional_t<kind == SafeArrayKind::Bstr, UniqueBstr, OwnedRecord<OutOf<T>>> copy;
        if (HRESULT hr = CopyOut(item, copy.Put()); FAILED(hr))
            return hr;
        if constexpr (kind == SafeArrayKind::Bstr) {
            BSTR raw = copy.Get();
            return SafeArrayPutElement(array, &index, &raw);
        } else {
            return SafeArrayPutElement(array, &index, &*copy);
        }
    };
    return HandOutArray(field, kind, put, out);
}

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
    return HandOutArray(field, SafeArrayKind::Unknown, put, out);
}

}  // namespace paravue::simulated

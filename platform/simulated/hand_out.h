// Handing scenario values out through out-parameters the way the service does:
// out-parameters are cleared first and stay cleared on failure, and every
// string and array handed out is a fresh one the caller owns.
#pragma once

#include <limits>
#include <string_view>
#include <utility>

#include "platform/mbn.h"
#include "platform/safearray.h"
#include "platform/simulated/failing_arrays.h"
#include "platform/simulated/scenario.h"

namespace paravue::simulated {

// A fresh BSTR, null for a null String; E_OUTOFMEMORY when allocation fails.
HRESULT CopyOut(const String& text, BSTR* out);

// A fresh record; on failure the record is left zeroed.
template <class T>
requires(!std::is_same_v<OutOf<T>, T> && !std::is_same_v<T, String>) HRESULT
    CopyOut(const T& value, OutOf<T>* out) {
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

template <class T>
HRESULT CopyOut(const T& value, T* out) {
    *out = value;
    return S_OK;
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

template <class T, class Out>
HRESULT HandOut(const Field<T>& field, Out* out) {
    return Answer(field, out, [](const T& value, Out* to) { return CopyOut(value, to); });
}

// A SAFEARRAY of the array's items, its bound and element faults noted.
// `put(array, index, item)` stores one item.
template <class T, class Put>
HRESULT BuildArray(const Array<T>& source, SafeArrayKind kind, Put&& put, SAFEARRAY** out) {
    std::int64_t upper = std::int64_t{source.lowerBound} + std::int64_t(source.items.size()) - 1;
    if (upper > std::numeric_limits<LONG>::max())
        return E_INVALIDARG;
    UniqueSafeArray array(
        SafeArrayCreateVector(kind, source.lowerBound, static_cast<ULONG>(source.items.size())));
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
    *out = array.Release();
    return S_OK;
}

// Array items that are values: copied into the array (which copies them again).
HRESULT PutItem(SAFEARRAY* array, LONG index, const String& item);
template <class T>
HRESULT PutItem(SAFEARRAY* array, LONG index, const T& item) {
    OwnedRecord<OutOf<T>> record;
    if (HRESULT hr = CopyOut(item, record.Put()); FAILED(hr))
        return hr;
    return SafeArrayPutElement(array, &index, &*record);
}

// A getter returning an array of values.
template <class T>
HRESULT HandOutArray(const Field<Array<T>>& field, SAFEARRAY** out) {
    constexpr SafeArrayKind kind = std::is_same_v<T, String>    ? SafeArrayKind::Bstr
                                   : std::is_same_v<T, Context> ? SafeArrayKind::MbnContext
                                                                : SafeArrayKind::MbnProvider;
    return Answer(field, out, [](const Array<T>& array, SAFEARRAY** to) {
        auto put = [](SAFEARRAY* into, LONG index, const T& item) {
            return PutItem(into, index, item);
        };
        return BuildArray(array, kind, put, to);
    });
}

}  // namespace paravue::simulated

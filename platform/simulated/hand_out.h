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
// Fresh records; on failure the record is left zeroed.
HRESULT CopyOut(const Capabilities& caps, MBN_INTERFACE_CAPS* out);
HRESULT CopyOut(const Provider& provider, MBN_PROVIDER* out);
HRESULT CopyOut(const Context& context, MBN_CONTEXT* out);

inline void Clear(BSTR* out) {
    *out = nullptr;
}
inline void Clear(MBN_INTERFACE_CAPS* out) {
    *out = {};
}
inline void Clear(MBN_PROVIDER* out) {
    *out = {};
}
inline void Clear(MBN_CONTEXT* out) {
    *out = {};
}
template <class T>
void Clear(T* out) {
    *out = T{};
}

template <class T>
HRESULT CopyOut(const T& value, T* out) {
    *out = value;
    return S_OK;
}

// The common shape of a getter: clear, fail or copy out.
template <class T, class Out>
HRESULT HandOut(const Field<T>& field, Out* out) {
    if (out)
        Clear(out);
    if (!out)
        return E_POINTER;
    if (field.Failed())
        return field.status;
    if (HRESULT hr = CopyOut(field.value, out); FAILED(hr))
        return hr;
    return field.status;
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
HRESULT PutItem(SAFEARRAY* array, LONG index, const Provider& item);
HRESULT PutItem(SAFEARRAY* array, LONG index, const Context& item);

// A getter returning an array of values.
template <class T>
HRESULT HandOutArray(const Field<Array<T>>& field, SafeArrayKind kind, SAFEARRAY** out) {
    if (out)
        *out = nullptr;
    if (!out)
        return E_POINTER;
    if (field.Failed())
        return field.status;
    auto put = [](SAFEARRAY* array, LONG index, const T& item) {
        return PutItem(array, index, item);
    };
    if (HRESULT hr = BuildArray(field.value, kind, put, out); FAILED(hr))
        return hr;
    return field.status;
}

// Stores an interface pointer, typed as the reader fetches it.
template <class I>
HRESULT PutInterface(SAFEARRAY* array, LONG index, I* object) {
    return SafeArrayPutElement(array, &index, &object);
}

}  // namespace paravue::simulated

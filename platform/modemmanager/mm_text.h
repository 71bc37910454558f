// Turning the daemon's UTF-8 strings into the service's strings, and what the
// service reads into arrays.
#pragma once

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "platform/bstr.h"
#include "platform/com.h"
#include "platform/safearray.h"

namespace paravue::mm {

// A new BSTR holding `utf8` (null reads as empty); E_OUTOFMEMORY on failure.
HRESULT NewBstr(const char* utf8, BSTR* out);
HRESULT NewBstr(const std::string& utf8, BSTR* out);
// Each text (null reads as empty) into its BSTR, in order, up to the first
// failure.
HRESULT NewBstrs(std::initializer_list<std::pair<const char*, BSTR*>> texts);
HRESULT NewBstrArray(const std::vector<std::string>& texts, SAFEARRAY** out);

// An array of `count` elements of `kind`, the i-th stored by
// put(array, index, i); nothing in `out` unless every one was.
template <class Put>
HRESULT NewArray(SafeArrayKind kind, std::size_t count, SAFEARRAY** out, Put put) {
    UniqueSafeArray array(SafeArrayCreateVector(kind, 0, static_cast<ULONG>(count)));
    if (!array)
        return E_OUTOFMEMORY;
    for (std::size_t i = 0; i < count; ++i)
        if (HRESULT hr = put(array.Get(), static_cast<LONG>(i), i); FAILED(hr))
            return hr;
    *out = array.Release();
    return S_OK;
}

// An array of `Interface` holding make(i) for each i below `count`.
template <class Interface, class Make>
HRESULT InterfaceArray(std::size_t count, SAFEARRAY** out, Make make) {
    return NewArray(SafeArrayKind::Unknown, count, out,
                    [&](SAFEARRAY* array, LONG index, std::size_t i) {
                        auto object = make(i);
                        Interface* element = object.Get();
                        return SafeArrayPutElement(array, &index, &element);
                    });
}

}  // namespace paravue::mm

// Shared by the simulated service tests: COM set-up and short ways to reach
// the service's objects.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "platform/bstr.h"
#include "platform/mbn.h"
#include "platform/runtime.h"
#include "platform/safearray.h"
#include "platform/simulated/scenario.h"
#include "platform/simulated/simulated_service.h"

namespace paravue::simulated::testing {

using paravue::ComApartment;

inline Scenario Parse(std::string_view json) {
    return ParseScenario(json, "test.json");
}

template <class I>
ComPtr<I> Create(const CLSID& clsid, HRESULT* status = nullptr) {
    ComPtr<I> object;
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_ALL, I::kIid, object.PutVoid());
    if (status)
        *status = hr;
    return object;
}

// The interface at `index` of a fresh GetInterfaces list.
inline ComPtr<IMbnInterface> InterfaceAt(LONG index) {
    auto manager = Create<IMbnInterfaceManager>(CLSID_MbnInterfaceManager);
    if (!manager)
        return nullptr;
    UniqueSafeArray interfaces;
    if (FAILED(manager->GetInterfaces(interfaces.Put())))
        return nullptr;
    ComPtr<IMbnInterface> found;
    if (FAILED(ArrayGetElement(interfaces.Get(), &index, found.PutVoid())))
        return nullptr;
    return found;
}

template <class I>
ComPtr<I> Part(const ComPtr<IMbnInterface>& mbnInterface) {
    ComPtr<I> part;
    mbnInterface.As(&part);
    return part;
}

inline std::u16string Text(const UniqueBstr& text) {
    return std::u16string(text.View());
}

}  // namespace paravue::simulated::testing

// COM start-up and object creation over a class registry in which a service
// registers the classes it serves.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>

#include "platform/com.h"

HRESULT CoInitializeEx(void* reserved, DWORD concurrencyModel);
void CoUninitialize();
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** object);

namespace paravue {

// COM for the multithreaded apartment on this thread while it lives: the one
// way a program or a test enters COM. Leaves it again only if entering
// succeeded.
class ComApartment {
  public:
    ComApartment() : status_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (SUCCEEDED(status_))
            CoUninitialize();
    }

    HRESULT Status() const { return status_; }

  private:
    HRESULT status_;
};

// Creates one object of a class and queries it for `iid`.
using ClassFactory = std::function<HRESULT(REFIID iid, void** object)>;

// A class stays registered while its registration lives; registering a class
// again replaces the earlier factory until the newer registration goes.
class ClassRegistration {
  public:
    ClassRegistration() = default;
    ClassRegistration(const CLSID& clsid, ClassFactory factory);
    ClassRegistration(const ClassRegistration&) = delete;
    ClassRegistration(ClassRegistration&& other) noexcept : id_(std::exchange(other.id_, 0)) {}
    ClassRegistration& operator=(ClassRegistration other) noexcept {
        std::swap(id_, other.id_);
        return *this;
    }
    ~ClassRegistration();

  private:
    friend ClassFactory ClassFactoryBelow(const ClassRegistration&, const CLSID&);
    std::uint64_t id_ = 0;
};

// The factory of the newest registration of `clsid` older than `above` (for a
// registration that wraps the one below it), or an empty one.
ClassFactory ClassFactoryBelow(const ClassRegistration& above, const CLSID& clsid);

}  // namespace paravue

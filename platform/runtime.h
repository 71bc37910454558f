// COM start-up and object creation over a class registry in which a service
// registers the classes it serves.
#pragma once

#include <functional>
#include <string>

#include "platform/com.h"

HRESULT CoInitializeEx(void* reserved, DWORD concurrencyModel);
void CoUninitialize();
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** object);

namespace paravue {

// Creates one object of a class and queries it for `iid`.
using ClassFactory = std::function<HRESULT(REFIID iid, void** object)>;

// A class stays registered while its registration lives; registering a class
// again replaces the earlier factory until the newer registration goes.
class ClassRegistration {
  public:
    ClassRegistration() = default;
    ClassRegistration(const CLSID& clsid, std::string name, ClassFactory factory);
    ClassRegistration(const ClassRegistration&) = delete;
    ClassRegistration& operator=(const ClassRegistration&) = delete;
    ClassRegistration(ClassRegistration&& other) noexcept;
    ClassRegistration& operator=(ClassRegistration&& other) noexcept;
    ~ClassRegistration();

  private:
    std::uint64_t id_ = 0;
};

// The class's name ("MbnInterfaceManager"), or "unregistered".
std::string RegisteredClassName(const CLSID& clsid);

// The factory that CoCreateInstance would use for `clsid` now, or an empty one.
ClassFactory RegisteredClassFactory(const CLSID& clsid);

}  // namespace paravue

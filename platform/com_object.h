// Reference counting and QueryInterface for objects that implement one or more
// interfaces. Release deletes the object when the last reference goes; that is
// the only place objects are destroyed.
#pragma once

#include <atomic>
#include <tuple>
#include <type_traits>
#include <utility>

#include "platform/accounting.h"
#include "platform/com.h"

namespace paravue {

template <class Derived, class... Interfaces>
class ComObject : public Interfaces... {
    using Primary = std::tuple_element_t<0, std::tuple<Interfaces...>>;

  public:
    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (iid == IID_IUnknown) {
            *object = static_cast<Primary*>(this);
        } else if (!(Offer<Interfaces>(iid, object) || ...)) {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
    ULONG Release() override {
        static_assert(std::is_final_v<Derived>, "implementations are final: Release deletes them");
        ULONG left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0)
            delete static_cast<Derived*>(this);
        return left;
    }

  protected:
    ComObject() = default;
    ~ComObject() = default;

  private:
    template <class I>
    bool Offer(REFIID iid, void** object) {
        if (!(iid == I::kIid))
            return false;
        *object = static_cast<I*>(this);
        return true;
    }

    std::atomic<ULONG> refs_{0};
};

// A service object: counted alive by the accounting while it exists.
template <class Derived, class... Interfaces>
class ServiceObject : public ComObject<Derived, Interfaces...> {
  protected:
    ServiceObject() = default;
    ~ServiceObject() = default;

  private:
    ServiceObjectCount count_;
};

// Creates an object with one reference, owned by the returned pointer.
template <class T, class... Args>
ComPtr<T> MakeComObject(Args&&... args) {
    T* object = new T(std::forward<Args>(args)...);
    object->AddRef();
    return ComPtr<T>::Adopt(object);
}

}  // namespace paravue

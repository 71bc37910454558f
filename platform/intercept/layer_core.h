// What the wrappers of one layer share: the clients, the ids, and the arrays
// handed out through the layer (keyed by address until given back).
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/intercept/call.h"

namespace paravue::intercept {

class LayerCore;

// Wraps a service object (taking over its reference) and hands the wrapper
// out as the same interface; `id` receives the wrapper's id.
using WrapFn = IUnknown* (*)(const std::shared_ptr<LayerCore>& core, IUnknown* inner,
                             std::uint64_t* id);
template <class Interface>
IUnknown* Wrap(const std::shared_ptr<LayerCore>& core, IUnknown* inner, std::uint64_t* id);

struct ArrayInfo {
    std::uint64_t id = 0;
    Op getter;                 // the getter that handed it out
    WrapFn element = nullptr;  // null: the elements are values
};

class LayerCore {
  public:
    explicit LayerCore(std::vector<Client*> clients) : clients_(std::move(clients)) {}

    std::uint64_t NewId() { return nextId_.fetch_add(1) + 1; }

    // Runs the clients; after Detach both do nothing.
    HRESULT Before(const Call& call);
    void After(const Call& call, HRESULT status, void* out);
    void Detach();

    // Registers an array handed out through the layer; returns its id.
    std::uint64_t AddArray(SAFEARRAY* array, Op getter, WrapFn element);
    std::optional<ArrayInfo> FindArray(SAFEARRAY* array) const;
    void ForgetArray(SAFEARRAY* array);  // tells the clients

  private:
    bool Detached() const;

    mutable std::mutex mutex_;
    const std::vector<Client*> clients_;
    bool detached_ = false;
    std::map<SAFEARRAY*, ArrayInfo> arrays_;
    std::atomic<std::uint64_t> nextId_{0};
};

// The common shape of a call through the layer: ask the clients, call the
// service unless one answered, show the answer. `clear` empties the out-
// parameter when a client answers with a failure.
template <class Invoke, class Clear>
HRESULT Through(LayerCore& core, const Call& call, void* out, Invoke&& invoke, Clear&& clear) {
    HRESULT hr = core.Before(call);
    if (FAILED(hr)) {
        clear();
    } else {
        hr = invoke();
    }
    core.After(call, hr, out);
    return hr;
}

// The same, for an out-parameter a failure leaves zeroed.
template <class T, class Invoke>
HRESULT Through(LayerCore& core, const Call& call, T* out, Invoke&& invoke) {
    return Through(core, call, out, invoke, [out] {
        if (out)
            *out = T{};
    });
}

}  // namespace paravue::intercept

// What the wrappers of one layer share: the clients, the ids, and the arrays
// handed out through the layer (keyed by address until given back).
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/intercept/call.h"

namespace paravue::intercept {

// What an object handed out is, so that it can be wrapped; a listed element
// is a Value or one of the first three.
enum class ObjectKind {
    Value,
    Interface,
    Connection,
    Profile,
    InterfaceManager,
    ConnectionManager,
    ProfileManager
};

struct ArrayInfo {
    std::uint64_t id = 0;
    Op getter;  // the getter that handed it out
    ObjectKind element = ObjectKind::Value;
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
    std::uint64_t AddArray(SAFEARRAY* array, Op getter, ObjectKind element);
    std::optional<ArrayInfo> FindArray(SAFEARRAY* array) const;
    void ForgetArray(SAFEARRAY* array);  // tells the clients

  private:
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

}  // namespace paravue::intercept

#include "platform/simulated/failing_arrays.h"

#include <algorithm>
#include <utility>

namespace paravue::simulated {
namespace {

struct Noted {
    std::mutex mutex;
    std::map<SAFEARRAY*, ArrayFaults> byAddress;
};

Noted& TheNoted() {
    static Noted noted;
    return noted;
}

template <class T>
bool Fails(const Field<Array<T>>& array) {
    const Array<T>& a = array.value;
    return FAILED(a.lowerBoundStatus) || FAILED(a.upperBoundStatus) ||
           std::any_of(a.items.begin(), a.items.end(), [](auto& item) { return item.Failed(); });
}

}  // namespace

bool MayFailArrays(const Scenario& scenario) {
    auto patched = [](const Event& event) { return event.patch != nullptr; };
    if (Fails(scenario.interfaces) ||
        std::any_of(scenario.events.begin(), scenario.events.end(), patched))
        return true;
    if (auto& connections = scenario.connectionManager.value.connections;
        connections && Fails(*connections))
        return true;
    return std::any_of(scenario.interfaces.value.items.begin(),
                       scenario.interfaces.value.items.end(), [](const Field<Interface>& item) {
                           const Interface& i = item.value;
                           return Fails(i.subscriber.value.telephoneNumbers) ||
                                  Fails(i.connectionContext.value.provisionedContexts) ||
                                  Fails(i.preferredProviders) || Fails(i.connectionProfiles);
                       });
}

void NoteArrayFaults(SAFEARRAY* array, ArrayFaults faults) {
    Noted& noted = TheNoted();
    std::lock_guard lock(noted.mutex);
    // Only failures are kept: a service without a layer to take them over keeps none.
    if (faults.lowerBound == S_OK && faults.upperBound == S_OK && faults.elements.empty())
        noted.byAddress.erase(array);
    else
        noted.byAddress[array] = std::move(faults);
}

HRESULT ArrayFaultClient::BeforeCall(const intercept::Call& call) {
    using intercept::Op;
    if (call.op != Op::ArrayLowerBound && call.op != Op::ArrayUpperBound &&
        call.op != Op::ArrayElement)
        return S_OK;
    std::lock_guard lock(mutex_);
    auto found = byId_.find(call.target);
    if (found == byId_.end())
        return S_OK;
    const ArrayFaults& faults = found->second;
    if (call.op == Op::ArrayLowerBound)
        return faults.lowerBound;
    if (call.op == Op::ArrayUpperBound)
        return faults.upperBound;
    auto element = faults.elements.find(call.index);
    return element == faults.elements.end() ? S_OK : element->second;
}

void ArrayFaultClient::AfterCall(const intercept::Call& call, HRESULT status, void* out) {
    if (!intercept::HandsOutArray(call.op) || FAILED(status) || call.produced == 0)
        return;
    SAFEARRAY* array = *static_cast<SAFEARRAY**>(out);
    ArrayFaults faults;
    {
        Noted& noted = TheNoted();
        std::lock_guard lock(noted.mutex);
        auto found = noted.byAddress.find(array);
        if (found == noted.byAddress.end())
            return;
        faults = std::move(found->second);
        noted.byAddress.erase(found);
    }
    std::lock_guard lock(mutex_);
    byId_[call.produced] = std::move(faults);
}

void ArrayFaultClient::ArrayGone(std::uint64_t id) {
    std::lock_guard lock(mutex_);
    byId_.erase(id);
}

}  // namespace paravue::simulated

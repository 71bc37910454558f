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

// Whether an array in `value`, at any depth, has a bound or element failure.
template <class T>
bool Fails(const T& value) {
    if constexpr (requires { value.status; }) {  // a Field
        return Fails(value.value);
    } else if constexpr (requires { typename T::Item; }) {
        return FAILED(value.lowerBoundStatus) || FAILED(value.upperBoundStatus) ||
               std::any_of(value.items.begin(), value.items.end(),
                           [](auto& item) { return item.Failed() || Fails(item.value); });
    } else if constexpr (std::is_class_v<T> && !std::is_same_v<T, String>) {  // a part or record
        bool fails = false;
        T::Fields(value, [&](auto, const auto& member) { fails = fails || Fails(member); });
        return fails;
    } else {
        return false;
    }
}

}  // namespace

bool MayFailArrays(const Scenario& scenario) {
    auto patched = [](const Event& event) { return event.patch != nullptr; };
    const auto& connections = scenario.connectionManager.value.connections;
    return Fails(scenario.interfaces) || (connections && Fails(*connections)) ||
           std::any_of(scenario.events.begin(), scenario.events.end(), patched);
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
    if (intercept::ArrayName(call.op).empty() || FAILED(status) || call.produced == 0)
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

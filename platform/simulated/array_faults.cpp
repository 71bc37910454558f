#include "platform/simulated/array_faults.h"

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

}  // namespace

void NoteArrayFaults(SAFEARRAY* array, ArrayFaults faults) {
    Noted& noted = TheNoted();
    std::lock_guard lock(noted.mutex);
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

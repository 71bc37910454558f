#include "tests/support/call_log.h"

namespace paravue::test_support {

HRESULT CallLog::BeforeCall(const intercept::Call& call) {
    if (call.op == intercept::Op::ListAdapters)
        return S_OK;
    std::string name = intercept::CallName(call);
    std::lock_guard lock(mutex_);
    calls_.push_back(std::move(name));
    auto fault = faults_.find(calls_.size());
    return fault == faults_.end() ? S_OK : fault->second;
}

std::vector<std::string> CallLog::Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

void CallLog::Clear() {
    std::lock_guard lock(mutex_);
    calls_.clear();
    faults_.clear();
}

void CallLog::FailCall(std::size_t k, HRESULT status) {
    std::lock_guard lock(mutex_);
    faults_[k] = status;
}

}  // namespace paravue::test_support

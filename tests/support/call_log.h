// A client of the interception layer that logs every call of a run by name
// and can fail the k-th call with a chosen status instead of making it. The
// adapter listing is not a service call and is neither logged nor counted.
#pragma once

#include <cstddef>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/intercept/call.h"

namespace paravue::test_support {

class CallLog final : public intercept::Client {
  public:
    HRESULT BeforeCall(const intercept::Call& call) override;

    // Calls seen since construction or Clear(), in order.
    std::vector<std::string> Calls() const;
    // Empties the log and starts counting anew; withdraws every FailCall.
    void Clear();
    // The k-th call (1-based) fails with `status`; it is still logged.
    void FailCall(std::size_t k, HRESULT status);

  private:
    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
    std::map<std::size_t, HRESULT> faults_;
};

}  // namespace paravue::test_support

// Lets a simulated service see every call that crosses the boundary during a
// report run (object creation and array calls included), log it, and answer it
// with a chosen failure instead.
#pragma once

#include <string_view>

#include "platform/com.h"

namespace paravue {

class CallObserver {
  public:
    // Returns S_OK to let the call go ahead, or the failure it returns instead.
    virtual HRESULT OnServiceCall(std::string_view name) = 0;

  protected:
    ~CallObserver() = default;
};

// Installed while no call is in flight; null removes it.
void SetCallObserver(CallObserver* observer);
HRESULT NotifyServiceCall(std::string_view name);

}  // namespace paravue

// The bound and element failures of the arrays a simulated service hands out.
// SAFEARRAYs are plain data, so the service notes them here by address, and its
// layer client takes them over by the array's id as the array passes the layer
// on its way out.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>

#include "platform/intercept/call.h"
#include "platform/simulated/scenario.h"

namespace paravue::simulated {

struct ArrayFaults {
    HRESULT lowerBound = S_OK;
    HRESULT upperBound = S_OK;
    std::map<LONG, HRESULT> elements;
};

// Notes the failures of an array just built (an array without any drops
// whatever an earlier array at the same address left).
void NoteArrayFaults(SAFEARRAY* array, ArrayFaults faults);

// Whether a run of `scenario` may hand out an array with a bound or element
// failure: one of its arrays has one, or an event's patch may bring one (a
// patch is only read when its event fires).
bool MayFailArrays(const Scenario& scenario);

// The layer client that answers array calls with the noted failures.
class ArrayFaultClient final : public intercept::Client {
  public:
    HRESULT BeforeCall(const intercept::Call& call) override;
    void AfterCall(const intercept::Call& call, HRESULT status, void* out) override;
    void ArrayGone(std::uint64_t id) override;

  private:
    std::mutex mutex_;
    std::map<std::uint64_t, ArrayFaults> byId_;
};

}  // namespace paravue::simulated

// A client of the interception layer that writes down as a scenario what a run
// got from the service: every value and status, array bounds and their
// failures, element fetches, failed creations and the adapter records the
// "Device name" look-up went by (not the host's others). Calls not made leave
// their fields at the zero values of omitted fields, so replaying the scenario
// answers the same calls the same way.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <variant>

#include "platform/intercept/call.h"
#include "platform/simulated/scenario.h"

namespace paravue::capture {

class Recorder final : public intercept::Client {
  public:
    void AfterCall(const intercept::Call& call, HRESULT status, void* out) override;

    // What was recorded so far.
    simulated::Scenario Result() const;

  private:
    template <class T>
    using Ref = std::function<T&()>;
    template <class T>
    using ArrayRef = Ref<simulated::Field<simulated::Array<T>>>;
#define PARAVUE_PART_REF(Part, Interface, GETTERS) Ref<simulated::Part>,
    using ObjectRef = std::variant<PARAVUE_MBN_PARTS(PARAVUE_PART_REF) std::monostate>;
#undef PARAVUE_PART_REF
    using AnyArrayRef = std::variant<ArrayRef<simulated::Interface>, ArrayRef<simulated::String>,
                                     ArrayRef<simulated::Context>, ArrayRef<simulated::Provider>,
                                     ArrayRef<simulated::Connection>, ArrayRef<simulated::Profile>>;

    void Record(const intercept::Call& call, HRESULT status, void* out);
    void RecordArrayCall(const intercept::Call& call, HRESULT status, void* out);
    template <class Part>
    Part* Find(std::uint64_t id);
    template <class Out, class Part, class T>
    void Value(const intercept::Call& call, HRESULT status, void* out,
               simulated::Field<T> Part::*member);
    template <class Part, class T>
    void Produced(const intercept::Call& call, HRESULT status, simulated::Field<T> Part::*member);

    mutable std::mutex mutex_;
    simulated::Scenario scenario_;
    // Where each object or array the run holds lives in the scenario, by id.
    std::map<std::uint64_t, ObjectRef> objects_;
    std::map<std::uint64_t, AnyArrayRef> arrays_;
    // What the "Device name" look-up that follows it searches the adapters for.
    std::u16string lastInterfaceId_;
};

}  // namespace paravue::capture

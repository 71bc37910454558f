// A client of the interception layer that writes down what a run got from the
// service as a scenario: every value and status each call returned, array
// bounds and their failures, element fetches, failed object creations and the
// adapter records the "Device name" look-up went by (not the host's others). Calls the run did not
// make leave their fields at the zero values a scenario gives omitted fields, so replaying the
// scenario answers the same calls the same way.
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
    using ArrayRef = std::variant<Ref<simulated::Field<simulated::Array<simulated::Interface>>>,
                                  Ref<simulated::Field<simulated::Array<simulated::String>>>,
                                  Ref<simulated::Field<simulated::Array<simulated::Context>>>,
                                  Ref<simulated::Field<simulated::Array<simulated::Provider>>>,
                                  Ref<simulated::Field<simulated::Array<simulated::Connection>>>,
                                  Ref<simulated::Field<simulated::Array<simulated::Profile>>>>;

    void Record(const intercept::Call& call, HRESULT status, void* out);
    void RecordOnInterface(const intercept::Call& call, HRESULT status, void* out);
    void RecordArrayCall(const intercept::Call& call, HRESULT status, void* out);

    mutable std::mutex mutex_;
    simulated::Scenario scenario_;
    // Where each object or array the run holds lives in the scenario, by id.
    std::map<std::uint64_t, Ref<simulated::Interface>> interfaces_;
    std::map<std::uint64_t, Ref<simulated::Subscriber>> subscribers_;
    std::map<std::uint64_t, Ref<simulated::Signal>> signals_;
    std::map<std::uint64_t, Ref<simulated::Registration>> registrations_;
    std::map<std::uint64_t, Ref<simulated::ConnectionContext>> contexts_;
    std::map<std::uint64_t, Ref<simulated::Radio>> radios_;
    std::map<std::uint64_t, Ref<simulated::Connection>> connections_;
    std::map<std::uint64_t, Ref<simulated::Profile>> profiles_;
    std::map<std::uint64_t, ArrayRef> arrays_;
    // What the "Device name" look-up that follows it searches the adapters for.
    std::u16string lastInterfaceId_;
};

}  // namespace paravue::capture

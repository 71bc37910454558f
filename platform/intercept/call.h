// What the interception layer tells its clients about one call crossing the
// boundary: which operation, on which object or array, and what it answered.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/adapters.h"
#include "platform/mbn_getters.h"

namespace paravue::intercept {

// Every operation a report run makes on a service. A getter's out-parameter
// is its row's Out (mbn_getters.h); an array's element is the element itself
// (a wrapped interface, BSTR or record).
enum class Op {
    CreateInterfaceManager,  // out: IMbnInterfaceManager*
    CreateConnectionManager,
    CreateConnectionProfileManager,
    ArrayLowerBound,  // out: LONG
    ArrayUpperBound,
    ArrayElement,
#define PARAVUE_OP(kind, Interface, Name, ...) Name,
    PARAVUE_MANAGER_LISTS(PARAVUE_OP)  // GetConnectionProfiles: `argument` is the interface's id
    PARAVUE_MBN_GETTERS(PARAVUE_OP)    // GetConnectionState: out is ConnectionStateOut
#undef PARAVUE_OP
    ListAdapters,  // out: std::vector<AdapterRecord>; status S_OK or a failure
};

// The two out-parameters of IMbnConnection::GetConnectionState.
struct ConnectionStateOut {
    MBN_ACTIVATION_STATE* activationState;
    BSTR* profileName;
};

// Object and array ids are unique within one layer and never 0. An array
// operation carries the getter that handed the array out.
struct Call {
    Op op;
    std::uint64_t target = 0;      // the object or array called; 0 for creations and listings
    std::uint64_t produced = 0;    // the object or array handed out, after a success
    std::optional<Op> array = {};  // array operations and the calls that hand out an array
    LONG index = 0;                // ArrayElement
    std::uint64_t argument = 0;    // GetConnectionProfiles: the interface passed
};

// "IMbnInterface::GetReadyState", "SafeArrayGetLBound(interfaces)",
// "CoCreateInstance(MbnInterfaceManager)".
std::string CallName(const Call& call);
// What the array a getter hands out lists ("telephoneNumbers"); "" for the
// operations that hand out no array.
std::string_view ArrayName(Op getter);

// A client of the layer. Both hooks run on the calling thread, one call at a
// time per run; a client that keeps state across threads locks it itself.
class Client {
  public:
    // Before the call reaches the service: S_OK lets it through; a failure is
    // answered instead and the service is not called.
    virtual HRESULT BeforeCall(const Call&) { return S_OK; }
    // After it returned (or a client answered): the caller's status and
    // out-parameter, which a client may rewrite (for a call handing out an
    // object, the wrapped object).
    virtual void AfterCall(const Call&, HRESULT, void* /*out*/) {}
    // An array handed out through the layer was given back.
    virtual void ArrayGone(std::uint64_t /*id*/) {}

  protected:
    ~Client() = default;
};

}  // namespace paravue::intercept

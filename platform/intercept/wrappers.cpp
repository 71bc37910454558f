// The layer's wrapper objects: one per Mobile Broadband interface a report
// run touches. Each forwards to the object it wraps and shows the call to the
// layer; objects it hands out are wrapped in turn.
#include <type_traits>
#include <utility>

#include "platform/com_object.h"
#include "platform/intercept/layer_core.h"

namespace paravue::intercept {
namespace {

// Offers the wrapper itself for its own interface and the wrapped object for
// any other (connection points and the like are not a run's calls).
template <class Derived, class Interface>
class Wrapper : public ServiceObject<Derived, Interface> {
  public:
    Wrapper(std::shared_ptr<LayerCore> core, Interface* inner)
        : core_(std::move(core)), inner_(ComPtr<Interface>::Adopt(inner)), id_(core_->NewId()) {}

    HRESULT QueryInterface(REFIID iid, void** object) override {
        HRESULT hr = ServiceObject<Derived, Interface>::QueryInterface(iid, object);
        return hr == E_NOINTERFACE ? inner_->QueryInterface(iid, object) : hr;
    }

    std::uint64_t Id() const { return id_; }
    Interface* Inner() const { return inner_.Get(); }

  protected:
    ~Wrapper() = default;

    // A getter of a plain value, string or record.
    template <class T, class Method>
    HRESULT Value(Op op, Method method, T* out) {
        return Through(*core_, Call{op, id_}, out, [&] { return (inner_.Get()->*method)(out); });
    }

    // A getter of an object, handed out wrapped.
    template <class Out, class Invoke>
    HRESULT Object(Op op, Out** out, Invoke&& invoke) {
        Call call{op, id_};
        return Through(*core_, call, out, [&] {
            HRESULT hr = invoke();
            if (SUCCEEDED(hr) && out && *out)
                *out = static_cast<Out*>(Wrap<Out>(core_, *out, &call.produced));
            return hr;
        });
    }

    // A getter of an array, registered so that its calls pass the layer too;
    // `element` wraps the objects it lists. `invoke` calls the service.
    template <class Invoke>
    HRESULT Array(Call call, WrapFn element, SAFEARRAY** out, Invoke&& invoke) {
        return Through(*core_, call, out, [&] {
            HRESULT hr = invoke();
            if (SUCCEEDED(hr) && out && *out)
                call.produced = core_->AddArray(*out, call.op, element);
            return hr;
        });
    }
    template <class Method>
    HRESULT Array(Op op, Method method, SAFEARRAY** out, WrapFn element = nullptr) {
        return Array(Call{op, id_, 0, op}, element, out,
                     [&] { return (inner_.Get()->*method)(out); });
    }

    std::shared_ptr<LayerCore> core_;
    ComPtr<Interface> inner_;
    const std::uint64_t id_;
};

template <class Interface>
class Wrapped;

#define PARAVUE_WRAP(kind, Interface, Name, Out, Type, field, text) \
    PARAVUE_WRAP_##kind(Interface, Name, Out)
#define PARAVUE_WRAP_VALUE(Interface, Name, Out)       \
    HRESULT Name(Out* out) override {                  \
        return Value(Op::Name, &Interface::Name, out); \
    }
#define PARAVUE_WRAP_ARRAY(Interface, Name, Out)       \
    HRESULT Name(SAFEARRAY** out) override {           \
        return Array(Op::Name, &Interface::Name, out); \
    }
#define PARAVUE_WRAP_PART(Interface, Name, Out)                          \
    HRESULT Name(Out** out) override {                                   \
        return Object(Op::Name, out, [&] { return inner_->Name(out); }); \
    }
#define PARAVUE_WRAP_QUERY(Interface, Name, Out)
#define PARAVUE_WRAP_LISTED(Interface, Name, Out)
#define PARAVUE_WRAP_STATE(Interface, Name, Out)                                      \
    HRESULT Name(MBN_ACTIVATION_STATE* activationState, BSTR* profileName) override { \
        ConnectionStateOut out{activationState, profileName};                         \
        return Through(                                                               \
            *core_, Call{Op::Name, id_}, &out,                                        \
            [&] { return inner_->Name(activationState, profileName); },               \
            [&] {                                                                     \
                if (activationState)                                                  \
                    *activationState = MBN_ACTIVATION_STATE_NONE;                     \
                if (profileName)                                                      \
                    *profileName = nullptr;                                           \
            });                                                                       \
    }
#define PARAVUE_WRAP_QI(kind, Interface, Name, Out, Type, field, text) \
    PARAVUE_WRAP_QI_##kind(Name, Out)
#define PARAVUE_WRAP_QI_QUERY(Name, Out)                         \
    if (iid == Out::kIid)                                        \
        return Object(Op::Name, reinterpret_cast<Out**>(object), \
                      [&] { return inner_->QueryInterface(iid, object); });
#define PARAVUE_WRAP_QI_VALUE(Name, Out)
#define PARAVUE_WRAP_QI_ARRAY(Name, Out)
#define PARAVUE_WRAP_QI_PART(Name, Out)
#define PARAVUE_WRAP_QI_LISTED(Name, Out)
#define PARAVUE_WRAP_QI_STATE(Name, Out)

#define PARAVUE_WRAPPER(Part, Interface, GETTERS)                                    \
    template <>                                                                      \
    class Wrapped<Interface> final : public Wrapper<Wrapped<Interface>, Interface> { \
      public:                                                                        \
        using Wrapper::Wrapper;                                                      \
        HRESULT QueryInterface(REFIID iid, void** object) override {                 \
            GETTERS(PARAVUE_WRAP_QI)                                                 \
            return Wrapper::QueryInterface(iid, object);                             \
        }                                                                            \
        GETTERS(PARAVUE_WRAP)                                                        \
    };
PARAVUE_MBN_PARTS(PARAVUE_WRAPPER)

// The managers' own lists hand out wrapped objects.
#define PARAVUE_WRAP_MANAGER(kind, Interface, Name, Out, Type, field, text)                   \
    template <>                                                                               \
    class Wrapped<Interface> final : public Wrapper<Wrapped<Interface>, Interface> {          \
      public:                                                                                 \
        using Wrapper::Wrapper;                                                               \
        HRESULT Name(SAFEARRAY** out) override {                                              \
            return Array(Op::Name, &Interface::Name, out, &Wrap<std::remove_pointer_t<Out>>); \
        }                                                                                     \
    };
PARAVUE_MANAGER_LISTS(PARAVUE_WRAP_MANAGER)

template <>
class Wrapped<IMbnConnectionProfileManager> final
    : public Wrapper<Wrapped<IMbnConnectionProfileManager>, IMbnConnectionProfileManager> {
  public:
    using Wrapper::Wrapper;
    HRESULT GetConnectionProfiles(IMbnInterface* mbnInterface,
                                  SAFEARRAY** connectionProfiles) override {
        // The service gets its own object back, and the clients learn which one
        // it was.
        auto* wrapped = dynamic_cast<Wrapped<IMbnInterface>*>(mbnInterface);
        IMbnInterface* inner = wrapped ? wrapped->Inner() : mbnInterface;
        Call call{Op::GetConnectionProfiles, id_, 0,
                  Op::GetConnectionProfiles, 0,   wrapped ? wrapped->Id() : 0};
        return Array(call, &Wrap<IMbnConnectionProfile>, connectionProfiles,
                     [&] { return inner_->GetConnectionProfiles(inner, connectionProfiles); });
    }
};

}  // namespace

template <class Interface>
IUnknown* Wrap(const std::shared_ptr<LayerCore>& core, IUnknown* inner, std::uint64_t* id) {
    // Slots and out-parameters hold the pointer of the interface itself.
    auto wrapper = MakeComObject<Wrapped<Interface>>(core, static_cast<Interface*>(inner));
    *id = wrapper->Id();
    return static_cast<Interface*>(wrapper.Detach());
}

// The managers, wrapped as their classes create them.
template IUnknown* Wrap<IMbnInterfaceManager>(const std::shared_ptr<LayerCore>&, IUnknown*,
                                              std::uint64_t*);
template IUnknown* Wrap<IMbnConnectionManager>(const std::shared_ptr<LayerCore>&, IUnknown*,
                                               std::uint64_t*);
template IUnknown* Wrap<IMbnConnectionProfileManager>(const std::shared_ptr<LayerCore>&, IUnknown*,
                                                      std::uint64_t*);

}  // namespace paravue::intercept

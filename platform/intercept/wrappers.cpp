#include "platform/intercept/wrappers.h"

#include <utility>

#include "platform/com_object.h"

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
        if (!object)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == Interface::kIid) {
            this->AddRef();
            *object = static_cast<Interface*>(this);
            return S_OK;
        }
        return inner_->QueryInterface(iid, object);
    }

    std::uint64_t Id() const { return id_; }
    Interface* Inner() const { return inner_.Get(); }

  protected:
    ~Wrapper() = default;

    // A getter of a plain value, string or record.
    template <class T, class Method>
    HRESULT Value(Op op, Method method, T* out) {
        Call call{op, id_};
        return Through(
            *core_, call, out, [&] { return (inner_.Get()->*method)(out); },
            [&] {
                if (out)
                    *out = T{};
            });
    }

    // A getter of an object, handed out wrapped.
    template <class W, class Out, class Invoke>
    HRESULT Object(Op op, Out** out, Invoke&& invoke) {
        Call call{op, id_};
        return Through(
            *core_, call, out,
            [&] {
                HRESULT hr = invoke();
                if (SUCCEEDED(hr) && out && *out) {
                    ComPtr<W> wrapper = MakeComObject<W>(core_, *out);
                    call.produced = wrapper->Id();
                    *out = wrapper.Detach();
                }
                return hr;
            },
            [&] {
                if (out)
                    *out = nullptr;
            });
    }

    // A getter of an array, registered so that its calls pass the layer too.
    // `invoke` calls the service.
    template <class Invoke>
    HRESULT Array(Call call, ObjectKind element, SAFEARRAY** out, Invoke&& invoke) {
        return Through(
            *core_, call, out,
            [&] {
                HRESULT hr = invoke();
                if (SUCCEEDED(hr) && out && *out)
                    call.produced = core_->AddArray(*out, call.op, element);
                return hr;
            },
            [&] {
                if (out)
                    *out = nullptr;
            });
    }
    template <class Method>
    HRESULT Array(Op op, Method method, SAFEARRAY** out) {
        return Array(Call{op, id_, 0, op}, ObjectKind::Value, out,
                     [&] { return (inner_.Get()->*method)(out); });
    }

    // A part obtained through QueryInterface, handed out wrapped.
    template <class W>
    HRESULT Part(Op op, REFIID iid, void** object) {
        using Out = std::remove_pointer_t<decltype(std::declval<W&>().Inner())>;
        Out** typed = reinterpret_cast<Out**>(object);
        return Object<W>(op, typed, [&] { return inner_->QueryInterface(iid, object); });
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
#define PARAVUE_WRAP_PART(Interface, Name, Out)                                        \
    HRESULT Name(Out** out) override {                                                 \
        return Object<Wrapped<Out>>(Op::Name, out, [&] { return inner_->Name(out); }); \
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
#define PARAVUE_WRAP_QI_QUERY(Name, Out) \
    if (iid == Out::kIid)                \
        return Part<Wrapped<Out>>(Op::Name, iid, object);
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

template <>
class Wrapped<IMbnInterfaceManager> final
    : public Wrapper<Wrapped<IMbnInterfaceManager>, IMbnInterfaceManager> {
  public:
    using Wrapper::Wrapper;
    HRESULT GetInterfaces(SAFEARRAY** interfaces) override {
        return Array(Call{Op::GetInterfaces, id_, 0, Op::GetInterfaces}, ObjectKind::Interface,
                     interfaces, [&] { return inner_->GetInterfaces(interfaces); });
    }
};

template <>
class Wrapped<IMbnConnectionManager> final
    : public Wrapper<Wrapped<IMbnConnectionManager>, IMbnConnectionManager> {
  public:
    using Wrapper::Wrapper;
    HRESULT GetConnections(SAFEARRAY** connections) override {
        return Array(Call{Op::GetConnections, id_, 0, Op::GetConnections}, ObjectKind::Connection,
                     connections, [&] { return inner_->GetConnections(connections); });
    }
};

template <>
class Wrapped<IMbnConnectionProfileManager> final
    : public Wrapper<Wrapped<IMbnConnectionProfileManager>, IMbnConnectionProfileManager> {
  public:
    using Wrapper::Wrapper;
    HRESULT GetConnectionProfiles(IMbnInterface* mbnInterface,
                                  SAFEARRAY** connectionProfiles) override {
        // The service gets its own object back, and the clients learn which one it was.
        auto* wrapped = dynamic_cast<Wrapped<IMbnInterface>*>(mbnInterface);
        IMbnInterface* inner = wrapped ? wrapped->Inner() : mbnInterface;
        Call call{Op::GetConnectionProfiles, id_, 0, Op::GetConnectionProfiles};
        call.argument = wrapped ? wrapped->Id() : 0;
        return Array(call, ObjectKind::Profile, connectionProfiles,
                     [&] { return inner_->GetConnectionProfiles(inner, connectionProfiles); });
    }
};

template <class I>
IUnknown* WrapAs(const std::shared_ptr<LayerCore>& core, IUnknown* inner, std::uint64_t* id) {
    // Slots and out-parameters hold the pointer of the interface itself.
    ComPtr<Wrapped<I>> wrapper = MakeComObject<Wrapped<I>>(core, static_cast<I*>(inner));
    *id = wrapper->Id();
    return static_cast<I*>(wrapper.Detach());
}

}  // namespace

IUnknown* WrapObject(const std::shared_ptr<LayerCore>& core, ObjectKind kind, IUnknown* inner,
                     std::uint64_t* id) {
    switch (kind) {
        case ObjectKind::Interface:
            return WrapAs<IMbnInterface>(core, inner, id);
        case ObjectKind::Connection:
            return WrapAs<IMbnConnection>(core, inner, id);
        case ObjectKind::Profile:
            return WrapAs<IMbnConnectionProfile>(core, inner, id);
        case ObjectKind::InterfaceManager:
            return WrapAs<IMbnInterfaceManager>(core, inner, id);
        case ObjectKind::ConnectionManager:
            return WrapAs<IMbnConnectionManager>(core, inner, id);
        case ObjectKind::ProfileManager:
            return WrapAs<IMbnConnectionProfileManager>(core, inner, id);
        case ObjectKind::Value:
            break;
    }
    *id = 0;
    return inner;
}

}  // namespace paravue::intercept

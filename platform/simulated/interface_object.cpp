#include "platform/simulated/interface_object.h"

#include "platform/com_object.h"

namespace paravue::simulated {
namespace {

template <class Part>
class Answers;

#define PARAVUE_ANSWER(kind, Interface, Name, Out, Type, field, text) \
    PARAVUE_ANSWER_##kind(Name, Out, field)
#define PARAVUE_ANSWER_VALUE(Name, Out, field)                                                     \
    HRESULT Name(Out* out) override {                                                              \
        return Answer(part_->field, out, [](auto& value, Out* to) { return CopyOut(value, to); }); \
    }
#define PARAVUE_ANSWER_ARRAY(Name, Out, field)  \
    HRESULT Name(SAFEARRAY** out) override {    \
        return HandOutArray(part_->field, out); \
    }
#define PARAVUE_ANSWER_PART(Name, Out, field)           \
    HRESULT Name(Out** out) override {                  \
        return HandOutObject(part_, part_->field, out); \
    }
#define PARAVUE_ANSWER_QUERY(Name, Out, field)
#define PARAVUE_ANSWER_LISTED(Name, Out, field)
#define PARAVUE_ANSWER_STATE(Name, Out, field)                                                  \
    HRESULT Name(MBN_ACTIVATION_STATE* activationState, BSTR* profileName) override {           \
        if (profileName)                                                                        \
            *profileName = nullptr;                                                             \
        if (activationState)                                                                    \
            *activationState = MBN_ACTIVATION_STATE_NONE;                                       \
        return Answer(part_->field, profileName ? activationState : nullptr,                    \
                      [&](const ConnectionState& state, MBN_ACTIVATION_STATE* to) -> HRESULT {  \
                          if (HRESULT hr = CopyOut(state.profileName, profileName); FAILED(hr)) \
                              return hr;                                                        \
                          *to = state.activationState;                                          \
                          return S_OK;                                                          \
                      });                                                                       \
    }
// Parts obtained through QueryInterface, each as the scenario says.
#define PARAVUE_ANSWER_QI(kind, Interface, Name, Out, Type, field, text) \
    PARAVUE_ANSWER_QI_##kind(Out, field)
#define PARAVUE_ANSWER_QI_QUERY(Out, field) \
    if (iid == Out::kIid)                   \
        return HandOutObject(part_, part_->field, reinterpret_cast<Out**>(object));
#define PARAVUE_ANSWER_QI_VALUE(Out, field)
#define PARAVUE_ANSWER_QI_ARRAY(Out, field)
#define PARAVUE_ANSWER_QI_PART(Out, field)
#define PARAVUE_ANSWER_QI_LISTED(Out, field)
#define PARAVUE_ANSWER_QI_STATE(Out, field)

#define PARAVUE_ANSWERS(Part, Interface, GETTERS)                                        \
    template <>                                                                          \
    class Answers<Part> final : public ServiceObject<Answers<Part>, Interface> {         \
      public:                                                                            \
        explicit Answers(std::shared_ptr<const Part> part) : part_(std::move(part)) {}   \
        HRESULT QueryInterface(REFIID iid, void** object) override {                     \
            GETTERS(PARAVUE_ANSWER_QI)                                                   \
            return ServiceObject<Answers<Part>, Interface>::QueryInterface(iid, object); \
        }                                                                                \
        GETTERS(PARAVUE_ANSWER)                                                          \
        const std::shared_ptr<const Part>& Data() const { return part_; }                \
                                                                                         \
      private:                                                                           \
        std::shared_ptr<const Part> part_;                                               \
    };
PARAVUE_MBN_PARTS(PARAVUE_ANSWERS)

}  // namespace

#define PARAVUE_MAKE_OBJECT(Part, Interface, GETTERS)                                            \
    ComPtr<Interface> MakeObject(std::shared_ptr<const Part> part) {                             \
        return ComPtr<Interface>::Adopt(MakeComObject<Answers<Part>>(std::move(part)).Detach()); \
    }
PARAVUE_MBN_PARTS(PARAVUE_MAKE_OBJECT)

std::shared_ptr<const Interface> InterfaceAt(const std::shared_ptr<const Scenario>& state,
                                             std::size_t index) {
    if (!state || state->interfaces.Failed())
        return nullptr;
    const auto& items = state->interfaces.value.items;
    if (index >= items.size() || items[index].Failed())
        return nullptr;
    return std::shared_ptr<const Interface>(state, &items[index].value);
}

std::shared_ptr<const Interface> InterfaceData(IMbnInterface* object) {
    auto* known = dynamic_cast<Answers<Interface>*>(object);
    return known ? known->Data() : nullptr;
}

}  // namespace paravue::simulated

#include "platform/capture/recorder.h"

#include <optional>
#include <utility>

#include "platform/bstr.h"

namespace paravue::capture {

using intercept::Call;
using intercept::Op;
using namespace simulated;

namespace {

template <class T>
void SetValue(Field<T>& field, HRESULT status, T value) {
    field = FAILED(status) ? Field<T>::Failure(status) : Field<T>(status, std::move(value));
}

// An object handed out: its status; its fields are filled by its own calls.
template <class T>
void SetObject(Field<T>& field, HRESULT status) {
    if (FAILED(status))
        field = Field<T>::Failure(status);
    else
        field.status = status;
}

// What a value handed out is in a scenario; records field by field.
template <class T, class Out>
T FromOut(const Out& out) {
    if constexpr (std::is_same_v<Out, BSTR>) {
        return out ? String(BstrView(out)) : std::nullopt;
    } else if constexpr (std::is_class_v<Out>) {
        T value;
        T::Pairs(out, value, [](const auto& from, auto& member) {
            member = FromOut<std::decay_t<decltype(member)>>(from);
        });
        return value;
    } else {
        return out;
    }
}

// Where `index` is in an array whose bounds the run read (or assumes), the
// array grown to hold it. Nothing for an index below the lower bound, which
// no fetch can succeed on.
template <class T>
std::optional<std::size_t> Slot(Array<T>& array, LONG index) {
    std::int64_t offset = std::int64_t{index} - array.lowerBound;
    if (offset < 0)
        return std::nullopt;
    if (static_cast<std::size_t>(offset) >= array.items.size())
        array.items.resize(static_cast<std::size_t>(offset) + 1);
    return static_cast<std::size_t>(offset);
}

}  // namespace

void Recorder::AfterCall(const Call& call, HRESULT status, void* out) {
    std::lock_guard lock(mutex_);
    Record(call, status, out);
}

Scenario Recorder::Result() const {
    std::lock_guard lock(mutex_);
    return scenario_;
}

template <class Part>
Part* Recorder::Find(std::uint64_t id) {
    auto found = objects_.find(id);
    if (found == objects_.end())
        return nullptr;
    auto* ref = std::get_if<Ref<Part>>(&found->second);
    return ref ? &(*ref)() : nullptr;
}

template <class Out, class Part, class T>
void Recorder::Value(const Call& call, HRESULT status, void* out, Field<T> Part::*member) {
    if (Part* part = Find<Part>(call.target))
        SetValue(part->*member, status,
                 SUCCEEDED(status) ? FromOut<T>(*static_cast<Out*>(out)) : ZeroValue<T>());
}

// An object or an array handed out; its own calls fill it in, reached again
// through its owner wherever that lives.
template <class Part, class T>
void Recorder::Produced(const Call& call, HRESULT status, Field<T> Part::*member) {
    Part* part = Find<Part>(call.target);
    if (!part)
        return;
    SetObject(part->*member, status);
    if (FAILED(status))
        return;
    Ref<Field<T>> field = [owner = std::get<Ref<Part>>(objects_[call.target]),
                           member]() -> Field<T>& { return owner().*member; };
    if constexpr (requires { typename T::Item; })
        arrays_[call.produced] = std::move(field);
    else
        objects_[call.produced] = Ref<T>([field]() -> T& { return field().value; });
}

void Recorder::Record(const Call& call, HRESULT status, void* out) {
    const bool ok = SUCCEEDED(status);
    if (call.op == Op::get_InterfaceID) {
        Value<BSTR>(call, status, out, &Interface::interfaceId);
        if (Interface* mbn = Find<Interface>(call.target))
            lastInterfaceId_ = mbn->interfaceId.value.value_or(u"");
        return;
    }
    switch (call.op) {
        case Op::CreateInterfaceManager:
            SetObject(scenario_.interfaceManager, status);
            return;
        case Op::CreateConnectionManager:
            SetObject(scenario_.connectionManager, status);
            return;
        case Op::CreateConnectionProfileManager:
            SetObject(scenario_.connectionProfileManager, status);
            return;
        case Op::GetInterfaces:
            SetObject(scenario_.interfaces, status);
            if (ok)
                arrays_[call.produced] = ArrayRef<Interface>(
                    [this]() -> Field<Array<Interface>>& { return scenario_.interfaces; });
            return;
        case Op::GetConnections: {
            auto& connections = scenario_.connectionManager.value.connections;
            if (!connections)
                connections.emplace();
            SetObject(*connections, status);
            if (ok)
                arrays_[call.produced] =
                    ArrayRef<Connection>([this]() -> Field<Array<Connection>>& {
                        return *scenario_.connectionManager.value.connections;
                    });
            return;
        }
        case Op::GetConnectionProfiles: {
            // Listed by the manager, kept with the interface passed.
            Call onInterface = call;
            onInterface.target = call.argument;
            Produced(onInterface, status, &Interface::connectionProfiles);
            return;
        }
        case Op::ArrayLowerBound:
        case Op::ArrayUpperBound:
        case Op::ArrayElement:
            RecordArrayCall(call, status, out);
            return;
        case Op::GetConnectionState:
            if (Connection* c = Find<Connection>(call.target)) {
                ConnectionState state;
                if (ok) {
                    auto* parts = static_cast<intercept::ConnectionStateOut*>(out);
                    state.activationState = *parts->activationState;
                    state.profileName = FromOut<String>(*parts->profileName);
                }
                SetValue(c->connectionState, status, std::move(state));
            }
            return;
        case Op::ListAdapters:
            if (status == S_OK) {
                // Only the records the look-up goes by: the host's other
                // network interfaces are none of the device's business.
                const auto& records = *static_cast<std::vector<AdapterRecord>*>(out);
                std::vector<Adapter> adapters;
                for (const AdapterRecord* record : MatchingAdapters(records, lastInterfaceId_))
                    adapters.push_back({record->name, record->description});
                // A list that is not empty but names nothing, so that the
                // look-up on replay neither matches nor waits for adapters.
                if (adapters.empty() && !records.empty())
                    adapters.push_back({std::nullopt, u""});
                scenario_.adapters = std::move(adapters);
            } else if (status != E_NOTIMPL && !scenario_.adapters) {
                // A listing that failed: an empty list fails the look-up the
                // same way.
                scenario_.adapters.emplace();
            }
            return;
#define PARAVUE_RECORD_GETTER(kind, Interface, Name, Out, Type, field, text) \
    PARAVUE_RECORD_GETTER_##kind(Name, Out, PartOf<Interface>::field)
#define PARAVUE_RECORD_GETTER_VALUE(Name, Out, member) \
    case Op::Name:                                     \
        Value<Out>(call, status, out, &member);        \
        return;
#define PARAVUE_RECORD_GETTER_ARRAY(Name, Out, member) \
    case Op::Name:                                     \
        Produced(call, status, &member);               \
        return;
#define PARAVUE_RECORD_GETTER_PART PARAVUE_RECORD_GETTER_ARRAY
#define PARAVUE_RECORD_GETTER_QUERY PARAVUE_RECORD_GETTER_ARRAY
#define PARAVUE_RECORD_GETTER_STATE(Name, Out, member)
#define PARAVUE_RECORD_GETTER_LISTED(Name, Out, member)
            PARAVUE_MBN_GETTERS(PARAVUE_RECORD_GETTER)
    }
}

void Recorder::RecordArrayCall(const Call& call, HRESULT status, void* out) {
    auto found = arrays_.find(call.target);
    if (found == arrays_.end())
        return;
    const bool ok = SUCCEEDED(status);
    std::visit(
        [&]<class T>(ArrayRef<T>& ref) {
            Array<T>& array = ref().value;
            if (call.op == Op::ArrayLowerBound) {
                if (ok)
                    array.lowerBound = *static_cast<LONG*>(out);
                else
                    array.lowerBoundStatus = status;
                return;
            }
            if (call.op == Op::ArrayUpperBound) {
                if (!ok) {
                    array.upperBoundStatus = status;
                    return;
                }
                std::int64_t count = std::int64_t{*static_cast<LONG*>(out)} - array.lowerBound + 1;
                if (count > 0 && static_cast<std::size_t>(count) > array.items.size())
                    array.items.resize(static_cast<std::size_t>(count));
                return;
            }
            std::optional<std::size_t> offset = Slot(array, call.index);
            if (!offset)
                return;
            Field<T>& slot = array.items[*offset];
            if (!ok) {
                slot = Field<T>::Failure(status);
                return;
            }
            slot.status = S_OK;
            if constexpr (kIsPart<T>)
                objects_[call.produced] =
                    Ref<T>([ref, at = *offset]() -> T& { return ref().value.items[at].value; });
            else
                slot.value = FromOut<T>(*static_cast<OutOf<T>*>(out));
        },
        found->second);
}

}  // namespace paravue::capture

// The device state a simulated Mobile Broadband service answers from, loaded
// from a scenario file (docs/scenarios.md) or built in C++.
//
// Every value a call returns is a Field: a status and the value. A failing
// status makes the call fail and hand out nothing; another success status than
// S_OK comes with the value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/mbn.h"
#include "platform/mbn_getters.h"

namespace paravue::simulated {

// A bad scenario: one line, "FILE: at JSONPATH: what is wrong",
// "FILE:LINE:COLUMN: what is wrong" for malformed JSON, or
// "FILE: cannot read: <reason>". Whatever the file or its path holds, the
// message stays one printable line: control characters and invalid UTF-8
// are shown escaped.
class ScenarioError : public std::runtime_error {
  public:
    explicit ScenarioError(std::string_view message);
};

// Bounds on a scenario file, far above what any device lists, that keep
// loading any file quick and small whatever its shape. Larger files are
// refused unread; the others are refused as soon as parsing crosses a bound.
inline constexpr std::size_t kMaxScenarioBytes = 16 * 1024 * 1024;
inline constexpr std::size_t kMaxScenarioDepth = 64;  // lists and objects inside each other
inline constexpr std::size_t kMaxListItems = 10000;   // in any one list, events included
// Every number, string, list, object, true, false and null, keys not counted.
inline constexpr std::size_t kMaxScenarioValues = 500000;

// Service text: nullopt is a null BSTR. UTF-16, embedded NULs allowed.
using String = std::optional<std::u16string>;

// The zero value an omitted field takes: 0, "", an empty array, an object
// with all its fields zero.
template <class T>
T ZeroValue() {
    if constexpr (std::is_same_v<T, String>)
        return String(std::u16string());
    else
        return T{};
}

template <class T>
struct Field {
    HRESULT status = S_OK;
    T value = ZeroValue<T>();

    Field() = default;
    Field(T v) : value(std::move(v)) {}  // NOLINT: a plain value is the common case
    Field(HRESULT s, T v) : status(s), value(std::move(v)) {}
    static Field Failure(HRESULT s) { return Field(s, ZeroValue<T>()); }
    bool Failed() const { return FAILED(status); }
};

// A one-dimensional SAFEARRAY as handed out. An element whose status is a
// failure is not fetchable: SafeArrayGetElement of it fails with that status.
template <class T>
struct Array {
    using Item = T;
    LONG lowerBound = 0;
    std::vector<Field<T>> items;
    HRESULT lowerBoundStatus = S_OK;  // a failure makes SafeArrayGetLBound fail
    HRESULT upperBoundStatus = S_OK;  // a failure makes SafeArrayGetUBound fail
};

// The records and the parts of an interface, as mbn_getters.h lists them.
// Each offers Fields(self, visit): visit(key, member) for every member in file
// order, for the reader and the writer alike.
#define PARAVUE_RECORD_MEMBER(Out, Type, field, text) Type field = ZeroValue<Type>();
#define PARAVUE_RECORD_VISIT(Out, Type, field, text) visit(#field, self.field);
#define PARAVUE_RECORD_PAIR(Out, Type, field, text) visit(record.field, self.field);
#define PARAVUE_RECORD(Record, Name, FIELDS)                      \
    struct Name {                                                 \
        FIELDS(PARAVUE_RECORD_MEMBER)                             \
        template <class Self, class Visit>                        \
        static void Fields(Self& self, Visit&& visit) {           \
            FIELDS(PARAVUE_RECORD_VISIT)                          \
        }                                                         \
        /* visit(record member, member) for every field */        \
        template <class R, class Self, class Visit>               \
        static void Pairs(R& record, Self& self, Visit&& visit) { \
            FIELDS(PARAVUE_RECORD_PAIR)                           \
        }                                                         \
    };
PARAVUE_MBN_RECORDS(PARAVUE_RECORD)
PARAVUE_RECORD(void, ConnectionState, PARAVUE_CONNECTION_STATE_FIELDS)

#define PARAVUE_PART_MEMBER(kind, Interface, Name, Out, Type, field, text) \
    Field<std::conditional_t<HandsOutList(#kind), Array<Type>, Type>> field;
#define PARAVUE_PART_VISIT(kind, Interface, Name, Out, Type, field, text) visit(#field, self.field);
#define PARAVUE_PART_STRUCT(Name, Interface, GETTERS)   \
    struct Name {                                       \
        GETTERS(PARAVUE_PART_MEMBER)                    \
        template <class Self, class Visit>              \
        static void Fields(Self& self, Visit&& visit) { \
            GETTERS(PARAVUE_PART_VISIT)                 \
        }                                               \
    };
// A failing Field on a part means obtaining that part's object fails:
// QueryInterface for the QUERY rows, the getter for the others.
PARAVUE_MBN_PARTS(PARAVUE_PART_STRUCT)

// The part that answers an interface, and what a value is across the boundary.
template <class I>
struct PartOfT;
template <class T>
struct OutOfT {
    using type = T;
};
template <class T>
inline constexpr bool kIsPart = false;
#define PARAVUE_PART_TRAITS(Part, Interface, GETTERS) \
    template <>                                       \
    struct PartOfT<Interface> {                       \
        using type = Part;                            \
    };                                                \
    template <>                                       \
    inline constexpr bool kIsPart<Part> = true;
PARAVUE_MBN_PARTS(PARAVUE_PART_TRAITS)
#define PARAVUE_RECORD_TRAITS(Record, Name, FIELDS) \
    template <>                                     \
    struct OutOfT<Name> {                           \
        using type = Record;                        \
    };
PARAVUE_MBN_RECORDS(PARAVUE_RECORD_TRAITS)
template <>
struct OutOfT<String> {
    using type = BSTR;
};
template <class I>
using PartOf = typename PartOfT<I>::type;
template <class T>
using OutOf = typename OutOfT<T>::type;

// Managers that say nothing of their own beyond whether they can be created.
struct NoFields {
    template <class Self, class Visit>
    static void Fields(Self&, Visit&&) {}
};
struct InterfaceManager : NoFields {};
struct ConnectionProfileManager : NoFields {};

struct ConnectionManager {
    // nullopt: the connection of every interface that has one, in interface
    // order.
    std::optional<Field<Array<Connection>>> connections;

    template <class Self, class Visit>
    static void Fields(Self& self, Visit&& visit) {
        visit("connections", self.connections);
    }
};

struct Adapter {
    std::optional<std::string> name;  // UTF-8; nullopt is a missing name
    std::u16string description;
};

enum class EventKind {
    InterfaceArrival,
    InterfaceRemoval,
    RegisterModeAvailable,
    RegisterStateChange,
    PacketServiceStateChange,
    SetRegisterModeComplete,
};

// Parsed JSON, seen only by the loader: a file's document or an event's patch.
struct JsonValue;

struct Event {
    std::uint32_t afterMs = 0;  // counted from the first subscription
    EventKind kind = EventKind::InterfaceArrival;
    std::size_t interfaceIndex = 0;  // position in "interfaces", whatever its lower bound
    // The JSON merge patch applied just before the event fires; null leaves the
    // state as it is.
    std::shared_ptr<const JsonValue> patch;
};

struct Scenario {
    Field<InterfaceManager> interfaceManager;
    Field<Array<Interface>> interfaces;
    Field<ConnectionManager> connectionManager;
    Field<ConnectionProfileManager> connectionProfileManager;
    // nullopt: the system's own adapters are listed.
    std::optional<std::vector<Adapter>> adapters;
    std::vector<Event> events;
    // The file without "events", what the first patch applies to; null when no
    // event has one.
    std::shared_ptr<const JsonValue> document;
};

// The device states a loaded scenario's events lead to, each built when its
// event fires. The loader checked each patch against the state before it, so
// they all apply.
class PatchedStates {
  public:
    explicit PatchedStates(std::shared_ptr<const JsonValue> document);
    PatchedStates(const PatchedStates&) = delete;
    PatchedStates& operator=(const PatchedStates&) = delete;

    // Null when the event has no patch (the state stays as it is).
    std::shared_ptr<const Scenario> After(const Event& event);

  private:
    std::shared_ptr<const JsonValue> base_;  // until the first patch
    std::shared_ptr<JsonValue> patched_;     // base_ copied at the first patch
};

// Throws ScenarioError; `sourceName` starts every message (usually the path).
Scenario ParseScenario(std::string_view jsonText, const std::string& sourceName);
Scenario LoadScenarioFile(const std::string& path);

// The scenario as the JSON text ParseScenario reads, ending in a newline: zero
// values with S_OK are left out, other statuses take the status forms, arrays
// keep their bounds, items and bound failures. Events are not written.
std::string WriteScenario(const Scenario& scenario);

}  // namespace paravue::simulated

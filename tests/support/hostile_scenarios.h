// Scenario files shaped to cost the most to load for their size: long lists,
// many events, many values, deep nesting, long strings. Each is written to fill
// a byte budget (the loader's 16 MiB bound at most) and is either loaded or
// refused with the error given here. Shared by the loader test, the load
// benchmark and the fuzz seeds.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "platform/simulated/scenario.h"

namespace paravue::hostile {

struct Shape {
    const char* name;
    std::string (*make)(std::size_t bytes);
    // The end of the error the file is refused with; empty: it loads.
    const char* refusal;
};

namespace detail {

// `head`, then `item` as often as the budget allows (comma-separated, at most
// `most` times), then `tail`.
inline std::string Repeat(const std::string& head, const std::string& item, std::size_t most,
                          const std::string& tail, std::size_t bytes) {
    std::string text = head;
    for (std::size_t i = 0; i < most; ++i) {
        if (text.size() + item.size() + 1 + tail.size() > bytes)
            break;
        if (i)
            text += ',';
        text += item;
    }
    return text + tail;
}

// The most lists of `perList` single-value items that stay within both the
// byte budget and the loader's bound on values.
inline std::size_t ListsWithin(std::size_t bytes, std::size_t listBytes, std::size_t listValues,
                               std::size_t reserveValues) {
    std::size_t byValues = (simulated::kMaxScenarioValues - reserveValues) / listValues;
    return std::min(bytes / listBytes, byValues);
}

inline std::string List(const std::string& item, std::size_t count) {
    std::string text = "[";
    for (std::size_t i = 0; i < count; ++i)
        text += (i ? "," : "") + item;
    return text + "]";
}

constexpr std::size_t kMaxItems = simulated::kMaxListItems;
constexpr const char* kNumber = "\"+15550000000\"";
constexpr const char* kEmptyPatch = R"({"event":"OnRegisterStateChange","patch":{}})";

// One interface, 200,000 one-digit numbers, 2,000 empty patches: 890 KB,
// fewer of each in a smaller budget.
inline std::string NumbersAndEmptyPatches(std::size_t bytes) {
    std::size_t numbers = std::min<std::size_t>(200000, bytes / 5);
    return R"({"interfaces":[{"subscriber":{"telephoneNumbers":)" + List("\"1\"", numbers) +
           "}}],\"events\":" + List(kEmptyPatch, numbers / 100) + "}";
}

inline std::string EmptyInterfaces(std::size_t bytes) {
    return Repeat(R"({"interfaces":[)", "{}", bytes, "]}", bytes);
}

// Items in one list for a budget: the bound in a large one, a few in a seed.
inline std::size_t ItemsFor(std::size_t bytes) {
    return std::min(kMaxItems, bytes / 64);
}

// Full lists of numbers on as many interfaces as the bounds allow, and events
// whose patches touch the interface list's bound or nothing.
inline std::string NumbersWithinBounds(std::size_t bytes) {
    const std::size_t events = std::clamp<std::size_t>(bytes / 8000, 2, 2000);
    std::string patches;
    for (std::size_t i = 0; i < events; ++i)
        patches +=
            std::string(i ? "," : "") +
            (i % 2 ? kEmptyPatch
                   : R"({"event":"OnRegisterStateChange","patch":{"interfaces":{"lbound":1}}})");
    std::size_t items = ItemsFor(bytes);
    std::string interface = R"({"subscriber":{"telephoneNumbers":)" + List(kNumber, items) + "}}";
    std::size_t room = bytes > patches.size() + 64 ? bytes - patches.size() - 64 : 0;
    std::size_t count = ListsWithin(room, interface.size() + 1, items + 3, 5 * events + 8);
    return R"({"interfaces":{"items":)" + List(interface, count) + "},\"events\":[" + patches +
           "]}";
}

// The most events the bounds let through, each restating a few small devices.
inline std::string ManyEvents(std::size_t bytes) {
    const std::size_t deviceValues = 21, eventValues = 5;  // as the text below holds
    std::string device =
        R"({"interfaceId":"{6D1E84A2-3F0B-4C57-9A21-0E5B7C9D4F18}","readyState":1,)"
        R"("capabilities":{"cellularClass":1,"dataClass":"0x20","manufacturer":"Kestrel Wireless",)"
        R"("model":"KW-L420","firmwareInfo":"1.0.0"},"registration":{"registerState":3,)"
        R"("registerMode":1,"providerId":"26201","providerName":"Bluefin Mobile"},)"
        R"("radio":{"software":1,"hardware":1},"subscriber":{"telephoneNumbers":["+15550000000"]}})";
    std::size_t perEvent = bytes / kMaxItems;
    std::string event = R"({"event":"OnRegisterStateChange","afterMs":1,"patch":{"interfaces":[)";
    std::string body = device;
    while (event.size() + body.size() + device.size() + 8 < perEvent)
        body += "," + device;
    event += body + "]}}";
    std::size_t devices = (body.size() + 1) / (device.size() + 1);
    std::size_t count = std::min(
        kMaxItems, (simulated::kMaxScenarioValues - 2) / (eventValues + devices * deviceValues));
    return Repeat(R"({"events":[)", event, count, "]}", bytes);
}

// Patches that each restate a full list of empty interfaces: every one is
// checked by reading the list it brings.
inline std::string InterfacesInPatches(std::size_t bytes) {
    std::size_t items = ItemsFor(bytes);
    std::string event =
        R"({"event":"OnInterfaceArrival","patch":{"interfaces":)" + List("{}", items) + "}}";
    std::size_t count = ListsWithin(bytes - 32, event.size() + 1, items + 4, 2);
    return R"({"events":)" + List(event, count) + "}";
}

inline std::string TooManyEvents(std::size_t bytes) {
    return Repeat(R"({"events":[)", R"({"event":"OnInterfaceArrival"})", bytes, "]}", bytes);
}

// The most records the bound on values lets through, each the costliest to
// hold for its size: empty contexts, full lists on as many interfaces as fit.
inline std::string EmptyContexts(std::size_t bytes) {
    std::size_t items = ItemsFor(bytes);
    std::string interface =
        R"({"connectionContext":{"provisionedContexts":)" + List("{}", items) + "}}";
    std::size_t count = ListsWithin(bytes - 32, interface.size() + 1, items + 3, 2);
    return R"({"interfaces":)" + List(interface, count) + "}";
}

// Values past the bound: empty strings in full lists.
inline std::string TooManyValues(std::size_t bytes) {
    std::string interface =
        R"({"subscriber":{"telephoneNumbers":)" + List("\"\"", ItemsFor(bytes)) + "}}";
    return Repeat(R"({"interfaces":{"items":[)", interface, kMaxItems, "]}}", bytes);
}

inline std::string ManyKeys(std::size_t bytes) {
    std::string text = R"({"interfaces":[{)";
    for (std::size_t i = 0; text.size() + 32 < bytes; ++i)
        text += (i ? ",\"k" : "\"k") + std::to_string(i) + "\":0";
    return text + "}]}";
}

inline std::string DeepNesting(std::size_t bytes) {
    return R"({"interfaces":)" + std::string(bytes - 16, '[');
}

inline std::string LongString(std::size_t bytes) {
    return R"({"interfaces":[{"interfaceId":")" + std::string(bytes - 40, 'x') + "\"}]}";
}

}  // namespace detail

inline const std::vector<Shape>& Shapes() {
    static const std::vector<Shape> shapes = {
        {"numbers_and_empty_patches", detail::NumbersAndEmptyPatches,
         "at interfaces[0].subscriber.telephoneNumbers: more than 10000 items in one list"},
        {"empty_interfaces", detail::EmptyInterfaces,
         "at interfaces: more than 10000 items in one list"},
        {"numbers_within_bounds", detail::NumbersWithinBounds, ""},
        {"many_events", detail::ManyEvents, ""},
        {"interfaces_in_patches", detail::InterfacesInPatches, ""},
        {"too_many_events", detail::TooManyEvents, "at events: more than 10000 items in one list"},
        {"empty_contexts", detail::EmptyContexts, ""},
        {"too_many_values", detail::TooManyValues, "more than 500000 values in the file"},
        {"many_keys", detail::ManyKeys, "more than 500000 values in the file"},
        {"deep_nesting", detail::DeepNesting, ": nested more than 64 levels deep"},
        {"long_string", detail::LongString, ""},
    };
    return shapes;
}

}  // namespace paravue::hostile

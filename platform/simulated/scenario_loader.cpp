// Scenario files: JSON text in, a validated Scenario out, one reader per
// section of the file.
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <optional>
#include <system_error>

#include "platform/simulated/json_fields.h"
#include "platform/simulated/scenario.h"
#include "platform/utf.h"

namespace paravue::simulated {
namespace {

using namespace json;

using Path = const std::string&;

template <class T>
T ReadValue(const Json& j, Path path);

template <class T>
void ReadMember(ObjectReader& object, std::string_view key, T& value) {
    object.Optional(key, [&](const Json& j, Path path) { value = ReadValue<T>(j, path); });
}

template <class T>
void ReadMember(ObjectReader& object, std::string_view key, Field<T>& field) {
    object.Optional(key,
                    [&](const Json& j, Path path) { field = ReadField<T>(j, path, ReadValue<T>); });
}

// A list the object has whether or not the file writes it: a connection
// manager written without "connections" knows no connection.
template <class T>
void ReadMember(ObjectReader& object, std::string_view key, std::optional<Field<T>>& field) {
    ReadMember(object, key, field.emplace());
}

// A record or a part: every member its Fields visit, and no other key.
template <class T>
T ReadObject(const Json& j, Path path) {
    T value;
    ObjectReader o(j, path);
    T::Fields(value, [&](std::string_view key, auto& member) { ReadMember(o, key, member); });
    o.RejectUnknownKeys();
    return value;
}

template <class T>
T ReadValue(const Json& j, Path path) {
    if constexpr (std::is_same_v<T, String>) {
        return ReadString(j, path);
    } else if constexpr (std::is_same_v<T, VARIANT_BOOL>) {
        return ReadVariantBool(j, path);
    } else if constexpr (std::is_integral_v<T> || std::is_enum_v<T>) {
        return ReadNumber<T>(j, path);
    } else if constexpr (requires { typename T::Item; }) {
        return ReadArray<typename T::Item>(j, path, ReadValue<typename T::Item>);
    } else {
        // A profile may be written as its XML alone.
        if constexpr (std::is_same_v<T, Profile>) {
            if (!j.is_object()) {
                Profile p;
                p.xml = ReadString(j, path);
                return p;
            }
        }
        return ReadObject<T>(j, path);
    }
}

std::vector<Adapter> ReadAdapters(const Json& j, Path path) {
    if (!j.is_array())
        Fail(path, std::string("expected a list, found ") + j.type_name());
    std::vector<Adapter> adapters;
    for (std::size_t i = 0; i < j.size(); ++i) {
        ObjectReader o(j[i], IndexPath(path, i));
        Adapter& adapter = adapters.emplace_back();
        o.Optional("name", [&](const Json& v, Path p) {
            if (!v.is_null())
                adapter.name = ReadUtf8String(v, p);
        });
        o.Optional("description", [&](const Json& v, Path p) {
            adapter.description = ReadString(v, p).value_or(std::u16string());
        });
        o.RejectUnknownKeys();
    }
    return adapters;
}

// Everything but the events.
Scenario ReadState(ObjectReader& o) {
    Scenario s;
    ReadMember(o, "interfaceManager", s.interfaceManager);
    ReadMember(o, "interfaces", s.interfaces);
    ReadMember(o, "connectionManager", s.connectionManager);
    ReadMember(o, "connectionProfileManager", s.connectionProfileManager);
    o.Optional("adapters", [&](const Json& v, Path p) { s.adapters = ReadAdapters(v, p); });
    return s;
}

constexpr std::pair<EventKind, std::string_view> kEventNames[] = {
    {EventKind::InterfaceArrival, "OnInterfaceArrival"},
    {EventKind::InterfaceRemoval, "OnInterfaceRemoval"},
    {EventKind::RegisterModeAvailable, "OnRegisterModeAvailable"},
    {EventKind::RegisterStateChange, "OnRegisterStateChange"},
    {EventKind::PacketServiceStateChange, "OnPacketServiceStateChange"},
    {EventKind::SetRegisterModeComplete, "OnSetRegisterModeComplete"},
};

EventKind ReadEventKind(const Json& j, Path path) {
    std::string name = ReadUtf8String(j, path);
    std::string known;
    for (auto [kind, eventName] : kEventNames) {
        if (eventName == name)
            return kind;
        known += (known.empty() ? "" : ", ") + std::string(eventName);
    }
    Fail(path, "unknown event \"" + name + "\"; expected one of " + known);
}

// Merges `patch` into `document` (the state the earlier patches left) and
// checks what it touched; an error names the event's patch and the place in the
// patched scenario.
void CheckPatch(Json& document, const Json& patch, Path path) {
    if (!patch.is_object())
        Fail(path, std::string("a patch is an object, found ") + patch.type_name());
    if (patch.contains("events"))
        Fail(KeyPath(path, "events"), "a patch cannot change the events");
    document.merge_patch(patch);
    try {
        OnlyPatched touched(&patch);
        ObjectReader o(document, "");
        ReadState(o);
        o.RejectUnknownKeys();
    } catch (const PathError& e) {
        Fail(path, "the patched scenario is invalid at " + e.path + ": " + e.what);
    }
}

// `document` is the whole file, its state valid; each event's patch moves
// from `j` into the event.
std::vector<Event> ReadEvents(Json& j, Path path, const Json& document) {
    if (!j.is_array())
        Fail(path, std::string("expected a list, found ") + j.type_name());
    std::optional<Json> patched;  // copied at the first patch
    std::vector<Event> events;
    for (std::size_t i = 0; i < j.size(); ++i) {
        std::string eventPath = IndexPath(path, i);
        ObjectReader o(j[i], eventPath);
        Event& event = events.emplace_back();
        if (!o.Has("event"))
            Fail(eventPath, "missing \"event\"");
        o.Optional("event", [&](const Json& v, Path p) { event.kind = ReadEventKind(v, p); });
        o.Optional("afterMs", [&](const Json& v, Path p) {
            event.afterMs = static_cast<std::uint32_t>(ReadInteger(v, p, 0, 0xFFFFFFFF));
        });
        o.Optional("interface", [&](const Json& v, Path p) {
            event.interfaceIndex = static_cast<std::size_t>(ReadInteger(v, p, 0, 0xFFFFFFFF));
        });
        o.Optional("patch", [&](const Json& v, Path p) {
            if (v.is_object() && v.empty())
                return;  // changes nothing; the event keeps the state as it is
            if (!patched) {
                patched.emplace(document);
                patched->erase("events");  // null by now: moved out of the document
            }
            CheckPatch(*patched, v, p);
            event.patch = std::make_shared<const JsonValue>(JsonValue{std::move(j[i]["patch"])});
        });
        o.RejectUnknownKeys();
    }
    return events;
}

// 1-based line and column of the byte at `offset`, the column counted in
// characters (UTF-8 continuation bytes do not count).
std::pair<std::size_t, std::size_t> LineAndColumn(std::string_view text, std::size_t offset) {
    offset = std::min(offset, text.size());
    std::size_t line = 1, column = 1;
    for (std::size_t i = 0; i < offset; ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            ++column;
        }
    }
    return {line, column};
}

// nlohmann's message without its prefix and its own position.
std::string ParseErrorText(const std::string& text) {
    if (auto column = text.find(", column "); column != std::string::npos) {
        if (auto colon = text.find(": ", column); colon != std::string::npos)
            return text.substr(colon + 2);
    }
    if (auto bracket = text.find("] "); bracket != std::string::npos)
        return text.substr(bracket + 2);
    return text;
}

}  // namespace

ScenarioError::ScenarioError(std::string_view message)
    : std::runtime_error(PrintableText(message)) {}

Scenario ParseScenario(std::string_view jsonText, const std::string& sourceName) {
    try {
        Json document = ParseDocument(jsonText);
        ObjectReader o(document, "");
        Scenario scenario = ReadState(o);
        o.Optional("events", [&](const Json&, Path p) {
            // Out of the document: the patches move into their events.
            Json events = std::move(document["events"]);
            scenario.events = ReadEvents(events, p, document);
        });
        o.RejectUnknownKeys();
        bool patches = std::any_of(scenario.events.begin(), scenario.events.end(),
                                   [](const Event& event) { return event.patch != nullptr; });
        if (patches) {
            document.erase("events");
            scenario.document = std::make_shared<const JsonValue>(JsonValue{std::move(document)});
        }
        return scenario;
    } catch (const Json::parse_error& e) {
        // e.byte counts the offending character itself (1-based).
        auto [line, column] = LineAndColumn(jsonText, e.byte == 0 ? 0 : e.byte - 1);
        throw ScenarioError(sourceName + ":" + std::to_string(line) + ":" + std::to_string(column) +
                            ": " + ParseErrorText(e.what()));
    } catch (const PathError& e) {
        throw ScenarioError(sourceName + ": at " + (e.path.empty() ? "the top level" : e.path) +
                            ": " + e.what);
    } catch (const Json::exception& e) {
        // Nothing the reader knows of; still the file's fault, not ours.
        throw ScenarioError(sourceName + ": " + ParseErrorText(e.what()));
    }
}

PatchedStates::PatchedStates(std::shared_ptr<const JsonValue> document)
    : base_(std::move(document)) {}

std::shared_ptr<const Scenario> PatchedStates::After(const Event& event) {
    if (!event.patch || (!patched_ && !base_))
        return nullptr;
    if (!patched_) {
        patched_ = std::make_shared<JsonValue>(*base_);
        base_.reset();  // not needed any more; gone unless a copy of the scenario holds it
    }
    patched_->json.merge_patch(event.patch->json);
    ObjectReader o(patched_->json, "");
    return std::make_shared<const Scenario>(ReadState(o));
}

Scenario LoadScenarioFile(const std::string& path) {
    auto cannotRead = [&](int error) {
        return ScenarioError(
            path + ": cannot read: " + std::error_code(error, std::generic_category()).message());
    };
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rbe"),
                                                         std::fclose);
    if (!file)
        throw cannotRead(errno);
    // Read in chunks, so pipes and endless devices are refused as soon as
    // they pass the bound.
    std::string text;
    // A file of known size is read into one allocation: grown by doubling,
    // the text of a large file would cost up to twice its size while read.
    struct stat status {};
    if (::fstat(fileno(file.get()), &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0)
        text.reserve(std::min(static_cast<std::size_t>(status.st_size), kMaxScenarioBytes + 1));
    char buffer[65536];
    while (std::size_t got = std::fread(buffer, 1, sizeof buffer, file.get())) {
        text.append(buffer, got);
        if (text.size() > kMaxScenarioBytes)
            throw ScenarioError(path + ": larger than " +
                                std::to_string(kMaxScenarioBytes / (1024 * 1024)) +
                                " MiB; not a scenario");
    }
    if (std::ferror(file.get()))
        throw cannotRead(errno);
    return ParseScenario(text, path);
}

}  // namespace paravue::simulated

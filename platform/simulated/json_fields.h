// Reading scenario values out of parsed JSON, strictly: every value is checked
// for type and range, every object for unknown keys, and a mistake is reported
// with the JSON path where it sits ("interfaces[0].signal.strength").
#pragma once

#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/simulated/scenario.h"

namespace paravue::simulated {

// Parsed JSON behind the opaque handle scenario.h passes around.
struct JsonValue {
    nlohmann::json json;
};

}  // namespace paravue::simulated

namespace paravue::simulated::json {

using Json = nlohmann::json;

// A mistake at `path`; the loader turns it into a ScenarioError.
struct PathError {
    std::string path;
    std::string what;
};

[[noreturn]] void Fail(const std::string& path, const std::string& what);

// Parses JSON text within the bounds in scenario.h; crossing one, or a key
// written twice in one object (the parser would keep only the last), is a
// PathError. Malformed text throws Json::parse_error.
Json ParseDocument(std::string_view text);

std::string KeyPath(const std::string& path, std::string_view key);
std::string IndexPath(const std::string& path, std::size_t index);

// An integer in [min, max], written as a JSON integer or a hex string ("0x1F").
std::int64_t ReadInteger(const Json& j, const std::string& path, std::int64_t min,
                         std::int64_t max);

// A 32-bit number: -2147483648 to 4294967295 or a hex string, kept as its bits.
template <class T>
T ReadNumber(const Json& j, const std::string& path) {
    static_assert(sizeof(T) == 4);
    auto bits =
        static_cast<std::uint32_t>(ReadInteger(j, path, std::numeric_limits<std::int32_t>::min(),
                                               std::numeric_limits<std::uint32_t>::max()));
    if constexpr (std::is_enum_v<T>)
        return static_cast<T>(static_cast<std::underlying_type_t<T>>(bits));
    else
        return static_cast<T>(bits);
}

// -1, 0 or another 16-bit value, or true (-1) / false (0).
VARIANT_BOOL ReadVariantBool(const Json& j, const std::string& path);
// A string (UTF-16 afterwards, NULs kept) or null.
String ReadString(const Json& j, const std::string& path);
std::string ReadUtf8String(const Json& j, const std::string& path);

// While one lives, the next ObjectReader made reads only what `patch` (already
// merged into its object) touched: an untouched key holds a value checked
// before and is skipped with all below it, so checking a patch costs what the
// patch holds. (Switching a value to or from its failure form leaves no
// untouched key valid, so that still fails as an unknown key.)
class OnlyPatched {
  public:
    explicit OnlyPatched(const Json* patch);
    ~OnlyPatched();
    OnlyPatched(const OnlyPatched&) = delete;
    OnlyPatched& operator=(const OnlyPatched&) = delete;
};

// Walks the keys of one object; whatever was not asked for is an unknown key.
// Keys are string literals: the reader keeps views of them.
class ObjectReader {
  public:
    ObjectReader(const Json& j, std::string path);
    // Calls `read(value, path)` when `key` is present and, under a patch,
    // touched by it; Always reads it touched or not, for a small value its
    // neighbours' checks depend on.
    template <class Read>
    void Optional(std::string_view key, Read&& read, bool always = false) {
        known_.push_back(key);
        auto it = j_.find(key);
        if (it == j_.end())
            return;
        const Json* below = nullptr;
        if (patch_ && !always) {
            auto touched = patch_->find(key);
            if (touched == patch_->end())
                return;
            if (touched->is_object())
                below = &*touched;  // merged key by key; a non-object replaced it whole
        }
        OnlyPatched scope(below);
        read(*it, KeyPath(path_, key));
    }
    template <class Read>
    void Always(std::string_view key, Read&& read) {
        Optional(key, read, true);
    }
    bool Has(std::string_view key) const { return j_.contains(key); }
    // Fails on the first key that no Optional asked for.
    void RejectUnknownKeys() const;

  private:
    const Json& j_;
    std::string path_;
    const Json* patch_;  // null: the whole object
    std::vector<std::string_view> known_;
};

// A failure status; `what` names it in the error for a success status.
HRESULT ReadFailure(const Json& j, const std::string& path, const char* what);

// A value, or its status form {"hr": H} or {"hr": H, "value": V}, read by
// `read(json, path)`. An array's element takes only {"hr": H}, a failure that
// makes fetching it fail.
template <class T, class Read>
Field<T> ReadField(const Json& j, const std::string& path, Read&& read, bool element = false) {
    if (!j.is_object() || !j.contains("hr"))
        return Field<T>(read(j, path));
    ObjectReader object(j, path);
    HRESULT status = S_OK;
    object.Always("hr", [&](const Json& v, const std::string& p) {
        status = element ? ReadFailure(v, p, "an element fault") : ReadNumber<HRESULT>(v, p);
    });
    Field<T> field = Field<T>::Failure(status);
    // Checked here rather than when reading "value": a patch may change the
    // status alone.
    if (!element && FAILED(status) && object.Has("value"))
        Fail(KeyPath(path, "value"),
             "a failing status hands out no value; give a success status (such as "
             "\"0x1\") or leave \"value\" out");
    if (!element)
        object.Optional("value",
                        [&](const Json& v, const std::string& p) { field.value = read(v, p); });
    object.RejectUnknownKeys();
    return field;
}

void CheckUpperBound(LONG lowerBound, std::size_t count, const std::string& path);

// A list, or {"lbound": N, "items": [...], "lboundHr": H, "uboundHr": H}.
template <class T, class Read>
Array<T> ReadArray(const Json& j, const std::string& path, Read&& read) {
    Array<T> array;
    auto readItems = [&](const Json& list, const std::string& listPath) {
        if (!list.is_array())
            Fail(listPath, std::string("expected a list, found ") + list.type_name());
        for (std::size_t i = 0; i < list.size(); ++i)
            array.items.push_back(ReadField<T>(list[i], IndexPath(listPath, i), read, true));
    };
    if (j.is_array()) {
        readItems(j, path);
        return array;
    }
    if (!j.is_object())
        Fail(path, std::string("expected a list or {\"lbound\": N, \"items\": [...]}, found ") +
                       j.type_name());
    ObjectReader object(j, path);
    object.Always("lbound", [&](const Json& v, const std::string& p) {
        array.lowerBound = ReadNumber<LONG>(v, p);
    });
    object.Optional("items", readItems);
    object.Optional("lboundHr", [&](const Json& v, const std::string& p) {
        array.lowerBoundStatus = ReadFailure(v, p, "a bound fault");
    });
    object.Optional("uboundHr", [&](const Json& v, const std::string& p) {
        array.upperBoundStatus = ReadFailure(v, p, "a bound fault");
    });
    object.RejectUnknownKeys();
    // Counted in the JSON: a patch that changes only the bound reads no item.
    auto items = j.find("items");
    CheckUpperBound(array.lowerBound, items == j.end() ? 0 : items->size(),
                    KeyPath(path, "lbound"));
    return array;
}

}  // namespace paravue::simulated::json

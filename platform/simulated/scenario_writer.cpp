#include "platform/simulated/scenario.h"

#include <cstdio>

#include <nlohmann/json.hpp>

#include "platform/utf.h"

namespace paravue::simulated {
namespace {

using Json = nlohmann::ordered_json;

Json Status(HRESULT status) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(status));
    return text;
}

template <class T>
Json ValueJson(const T& value);

template <class T>
Json FieldJson(const Field<T>& field) {
    if (field.Failed())
        return Json{{"hr", Status(field.status)}};
    Json value = ValueJson(field.value);
    if (field.status != S_OK)
        return Json{{"hr", Status(field.status)}, {"value", std::move(value)}};
    return value;
}

// Members that hold what an omitted key means are left out.
template <class T>
void PutMember(Json& object, const char* key, const Field<T>& field) {
    if (Json value = FieldJson(field); value != ValueJson(ZeroValue<T>()))
        object[key] = std::move(value);
}

template <class T>
void PutMember(Json& object, const char* key, const T& value) {
    PutMember(object, key, Field<T>(value));
}

// A list that is there, written even when empty (see ConnectionManager).
template <class T>
void PutMember(Json& object, const char* key, const std::optional<Field<T>>& field) {
    if (field)
        object[key] = FieldJson(*field);
}

// A profile whose XML is a plain value is written as the XML alone.
template <class T>
Json ItemJson(const Field<T>& item) {
    if constexpr (std::is_same_v<T, Profile>) {
        const Field<String>& xml = item.value.xml;
        if (!item.Failed() && xml.status == S_OK)
            return ValueJson(xml.value);
        if (!item.Failed())
            return Json{{"xml", FieldJson(xml)}};
    }
    return FieldJson(item);
}

template <class T>
Json ArrayJson(const Array<T>& array) {
    Json items = Json::array();
    for (const Field<T>& item : array.items)
        items.push_back(ItemJson(item));
    if (array.lowerBound == 0 && array.lowerBoundStatus == S_OK && array.upperBoundStatus == S_OK)
        return items;
    Json object = Json::object();
    if (array.lowerBound != 0)
        object["lbound"] = array.lowerBound;
    object["items"] = std::move(items);
    if (FAILED(array.lowerBoundStatus))
        object["lboundHr"] = Status(array.lowerBoundStatus);
    if (FAILED(array.upperBoundStatus))
        object["uboundHr"] = Status(array.upperBoundStatus);
    return object;
}

// Enumerations and signed numbers as signed, ULONGs as unsigned (both read back
// as the bits); a record or a part: every member its Fields visit.
template <class T>
Json ValueJson(const T& value) {
    if constexpr (std::is_same_v<T, String>) {
        return value ? Json(Utf16ToUtf8(*value)) : Json(nullptr);
    } else if constexpr (std::is_enum_v<T>) {
        return static_cast<std::int64_t>(value);
    } else if constexpr (std::is_integral_v<T>) {
        return value;
    } else if constexpr (requires { typename T::Item; }) {
        return ArrayJson(value);
    } else {
        Json o = Json::object();
        T::Fields(value, [&](const char* key, const auto& member) { PutMember(o, key, member); });
        return o;
    }
}

}  // namespace

std::string WriteScenario(const Scenario& scenario) {
    Json o = Json::object();
    PutMember(o, "interfaceManager", scenario.interfaceManager);
    // Always written, so that the file says whether the service listed a device.
    o["interfaces"] = FieldJson(scenario.interfaces);
    PutMember(o, "connectionManager", scenario.connectionManager);
    PutMember(o, "connectionProfileManager", scenario.connectionProfileManager);
    if (scenario.adapters) {
        Json adapters = Json::array();
        for (const Adapter& adapter : *scenario.adapters)
            adapters.push_back({{"name", adapter.name ? Json(*adapter.name) : Json(nullptr)},
                                {"description", Utf16ToUtf8(adapter.description)}});
        o["adapters"] = std::move(adapters);
    }
    return o.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace paravue::simulated

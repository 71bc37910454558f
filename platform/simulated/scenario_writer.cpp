#include "platform/simulated/scenario_writer.h"

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

Json ToJson(const String& text) {
    return text ? Json(Utf16ToUtf8(*text)) : Json(nullptr);
}

template <class T>
requires std::is_integral_v<T> || std::is_enum_v<T> Json ToJson(T value) {
    // Enumerations and signed numbers as signed, ULONGs as unsigned: both read back as the bits.
    if constexpr (std::is_enum_v<T>)
        return static_cast<std::int64_t>(value);
    else
        return value;
}

// Sets `key` unless the value is what an omitted key means.
void Put(Json& object, const char* key, Json value, const Json& zero) {
    if (value != zero)
        object[key] = std::move(value);
}

// One per kind of value, declared first so that the templates below see all.
template <class T>
Json ValueJson(const Array<T>& array);
Json ValueJson(const String& text);
template <class T>
requires std::is_integral_v<T> || std::is_enum_v<T> Json ValueJson(T value);
Json ValueJson(const Capabilities& c);
Json ValueJson(const Subscriber& s);
Json ValueJson(const Signal& s);
Json ValueJson(const Registration& r);
Json ValueJson(const Context& c);
Json ValueJson(const ConnectionContext& c);
Json ValueJson(const Radio& r);
Json ValueJson(const Provider& p);
Json ValueJson(const ConnectionState& s);
Json ValueJson(const Connection& c);
Json ValueJson(const Interface& i);
Json ValueJson(const InterfaceManager&);
Json ValueJson(const ConnectionProfileManager&);
Json ValueJson(const ConnectionManager& m);

template <class T>
Json FieldJson(const Field<T>& field) {
    if (field.Failed())
        return Json{{"hr", Status(field.status)}};
    Json value = ValueJson(field.value);
    if (field.status != S_OK)
        return Json{{"hr", Status(field.status)}, {"value", std::move(value)}};
    return value;
}

template <class T>
void PutField(Json& object, const char* key, const Field<T>& field) {
    Put(object, key, FieldJson(field), ValueJson(ZeroValue<T>()));
}

Json ItemJson(const Field<Profile>& item);

template <class T>
Json ItemJson(const Field<T>& item) {
    return FieldJson(item);
}

Json ItemJson(const Field<Profile>& item) {
    if (item.Failed())
        return Json{{"hr", Status(item.status)}};
    const Field<String>& xml = item.value.xml;
    if (xml.status == S_OK)
        return ToJson(xml.value);
    return Json{{"xml", FieldJson(xml)}};
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

template <class T>
Json ValueJson(const Array<T>& array) {
    return ArrayJson(array);
}

Json ValueJson(const String& text) {
    return ToJson(text);
}

template <class T>
requires std::is_integral_v<T> || std::is_enum_v<T> Json ValueJson(T value) {
    return ToJson(value);
}

Json ValueJson(const Capabilities& c) {
    Json o = Json::object();
    Put(o, "cellularClass", ToJson(c.cellularClass), 0);
    Put(o, "voiceClass", ToJson(c.voiceClass), 0);
    Put(o, "dataClass", ToJson(c.dataClass), 0);
    Put(o, "customDataClass", ToJson(c.customDataClass), "");
    Put(o, "gsmBandClass", ToJson(c.gsmBandClass), 0);
    Put(o, "cdmaBandClass", ToJson(c.cdmaBandClass), 0);
    Put(o, "customBandClass", ToJson(c.customBandClass), "");
    Put(o, "smsCaps", ToJson(c.smsCaps), 0);
    Put(o, "controlCaps", ToJson(c.controlCaps), 0);
    Put(o, "deviceID", ToJson(c.deviceID), "");
    Put(o, "manufacturer", ToJson(c.manufacturer), "");
    Put(o, "model", ToJson(c.model), "");
    Put(o, "firmwareInfo", ToJson(c.firmwareInfo), "");
    return o;
}

Json ValueJson(const Subscriber& s) {
    Json o = Json::object();
    PutField(o, "simIccId", s.simIccId);
    PutField(o, "subscriberId", s.subscriberId);
    PutField(o, "telephoneNumbers", s.telephoneNumbers);
    return o;
}

Json ValueJson(const Signal& s) {
    Json o = Json::object();
    PutField(o, "error", s.error);
    PutField(o, "strength", s.strength);
    return o;
}

Json ValueJson(const Registration& r) {
    Json o = Json::object();
    PutField(o, "availableDataClasses", r.availableDataClasses);
    PutField(o, "currentDataClass", r.currentDataClass);
    PutField(o, "packetAttachNetworkError", r.packetAttachNetworkError);
    PutField(o, "providerId", r.providerId);
    PutField(o, "providerName", r.providerName);
    PutField(o, "registerMode", r.registerMode);
    PutField(o, "registerState", r.registerState);
    PutField(o, "registrationNetworkError", r.registrationNetworkError);
    PutField(o, "roamingText", r.roamingText);
    return o;
}

Json ValueJson(const Context& c) {
    Json o = Json::object();
    Put(o, "contextID", ToJson(c.contextID), 0);
    Put(o, "contextType", ToJson(c.contextType), 0);
    Put(o, "accessString", ToJson(c.accessString), "");
    Put(o, "userName", ToJson(c.userName), "");
    Put(o, "password", ToJson(c.password), "");
    Put(o, "compression", ToJson(c.compression), 0);
    Put(o, "authType", ToJson(c.authType), 0);
    return o;
}

Json ValueJson(const ConnectionContext& c) {
    Json o = Json::object();
    PutField(o, "provisionedContexts", c.provisionedContexts);
    return o;
}

Json ValueJson(const Radio& r) {
    Json o = Json::object();
    PutField(o, "software", r.software);
    PutField(o, "hardware", r.hardware);
    return o;
}

Json ValueJson(const Provider& p) {
    Json o = Json::object();
    Put(o, "providerID", ToJson(p.providerID), "");
    Put(o, "providerState", ToJson(p.providerState), 0);
    Put(o, "providerName", ToJson(p.providerName), "");
    Put(o, "dataClass", ToJson(p.dataClass), 0);
    return o;
}

Json ValueJson(const ConnectionState& s) {
    Json o = Json::object();
    Put(o, "activationState", ToJson(s.activationState), 0);
    Put(o, "profileName", ToJson(s.profileName), "");
    return o;
}

Json ValueJson(const Connection& c) {
    Json o = Json::object();
    PutField(o, "connectionState", c.connectionState);
    PutField(o, "connectionId", c.connectionId);
    return o;
}

Json ValueJson(const Interface& i) {
    Json o = Json::object();
    PutField(o, "interfaceId", i.interfaceId);
    PutField(o, "capabilities", i.capabilities);
    PutField(o, "subscriber", i.subscriber);
    PutField(o, "signal", i.signal);
    PutField(o, "registration", i.registration);
    PutField(o, "connectionContext", i.connectionContext);
    PutField(o, "radio", i.radio);
    PutField(o, "homeProvider", i.homeProvider);
    PutField(o, "readyState", i.readyState);
    PutField(o, "emergencyMode", i.emergencyMode);
    PutField(o, "connection", i.connection);
    PutField(o, "preferredProviders", i.preferredProviders);
    PutField(o, "connectionProfiles", i.connectionProfiles);
    return o;
}

Json ValueJson(const InterfaceManager&) {
    return Json::object();
}

Json ValueJson(const ConnectionProfileManager&) {
    return Json::object();
}

Json ValueJson(const ConnectionManager& m) {
    Json o = Json::object();
    if (m.connections)
        o["connections"] = FieldJson(*m.connections);
    return o;
}

}  // namespace

std::string WriteScenario(const Scenario& scenario) {
    Json o = Json::object();
    PutField(o, "interfaceManager", scenario.interfaceManager);
    // Always written, so that the file says whether the service listed a device.
    o["interfaces"] = FieldJson(scenario.interfaces);
    PutField(o, "connectionManager", scenario.connectionManager);
    PutField(o, "connectionProfileManager", scenario.connectionProfileManager);
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

#include <vector>

#include "platform/accounting.h"
#include "platform/adapters.h"
#include "platform/safearray.h"
#include "service_test_support.h"

namespace paravue::simulated {
namespace {

using testing::ComApartment;
using testing::Create;
using testing::InterfaceAt;
using testing::Parse;
using testing::Part;
using testing::Text;

constexpr char kDevice[] = R"({
  "interfaces": [{
    "interfaceId": "{1234}",
    "capabilities": {"cellularClass": 1, "voiceClass": 2, "dataClass": "0x80000020",
                     "customDataClass": "5G-ish", "gsmBandClass": 3, "cdmaBandClass": 4,
                     "customBandClass": "B", "smsCaps": 5, "controlCaps": 6,
                     "deviceID": "IMEI1", "manufacturer": "Maker", "model": "M1",
                     "firmwareInfo": "FW 1.0"},
    "subscriber": {"simIccId": "8901", "subscriberId": "2620",
                   "telephoneNumbers": ["+491", "+492"]},
    "signal": {"error": 99, "strength": 21},
    "registration": {"availableDataClasses": 32, "currentDataClass": 32,
                     "packetAttachNetworkError": 7, "providerId": "26201",
                     "providerName": "Carrier", "registerMode": 1, "registerState": 3,
                     "registrationNetworkError": 8, "roamingText": "Home"},
    "connectionContext": {"provisionedContexts": [
        {"contextID": 1, "contextType": 1, "accessString": "internet", "userName": "u",
         "password": "p", "compression": 1, "authType": 2}]},
    "radio": {"software": 1, "hardware": 0},
    "homeProvider": {"providerID": "26201", "providerState": 17, "providerName": "Carrier",
                     "dataClass": 32},
    "readyState": 1,
    "emergencyMode": true,
    "connection": {"connectionState": {"activationState": 1, "profileName": "Internet"},
                   "connectionId": "conn-1"},
    "preferredProviders": [{"providerID": "26202", "providerState": 4, "providerName": "Other",
                            "dataClass": 4}],
    "connectionProfiles": ["<profile/>"]
  }]
})";

class ServiceValues : public ::testing::Test {
  protected:
    ComApartment apartment_;
};

TEST_F(ServiceValues, AnInterfaceAnswersEveryGetterFromTheScenario) {
    SimulatedService service(Parse(kDevice));
    auto mbn = InterfaceAt(0);
    ASSERT_TRUE(mbn);

    UniqueBstr text;
    ASSERT_EQ(mbn->get_InterfaceID(text.Put()), S_OK);
    EXPECT_EQ(Text(text), u"{1234}");

    OwnedRecord<MBN_INTERFACE_CAPS> caps;
    ASSERT_EQ(mbn->GetInterfaceCapability(caps.Put()), S_OK);
    EXPECT_EQ(caps->cellularClass, MBN_CELLULAR_CLASS_GSM);
    EXPECT_EQ(caps->voiceClass, MBN_VOICE_CLASS_SEPARATE_VOICE_DATA);
    EXPECT_EQ(caps->dataClass, 0x80000020u);
    EXPECT_EQ(BstrView(caps->customDataClass), u"5G-ish");
    EXPECT_EQ(caps->gsmBandClass, 3u);
    EXPECT_EQ(caps->cdmaBandClass, 4u);
    EXPECT_EQ(BstrView(caps->customBandClass), u"B");
    EXPECT_EQ(caps->smsCaps, 5u);
    EXPECT_EQ(caps->controlCaps, 6u);
    EXPECT_EQ(BstrView(caps->deviceID), u"IMEI1");
    EXPECT_EQ(BstrView(caps->manufacturer), u"Maker");
    EXPECT_EQ(BstrView(caps->model), u"M1");
    EXPECT_EQ(BstrView(caps->firmwareInfo), u"FW 1.0");

    ComPtr<IMbnSubscriberInformation> subscriber;
    ASSERT_EQ(mbn->GetSubscriberInformation(subscriber.Put()), S_OK);
    ASSERT_EQ(subscriber->get_SimIccID(text.Put()), S_OK);
    EXPECT_EQ(Text(text), u"8901");
    ASSERT_EQ(subscriber->get_SubscriberID(text.Put()), S_OK);
    EXPECT_EQ(Text(text), u"2620");
    UniqueSafeArray numbers;
    ASSERT_EQ(subscriber->get_TelephoneNumbers(numbers.Put()), S_OK);
    LONG upper = -1;
    ASSERT_EQ(ArrayGetUBound(numbers.Get(), 1, &upper), S_OK);
    EXPECT_EQ(upper, 1);
    LONG index = 1;
    ASSERT_EQ(ArrayGetElement(numbers.Get(), &index, text.Put()), S_OK);
    EXPECT_EQ(Text(text), u"+492");

    auto signal = Part<IMbnSignal>(mbn);
    ASSERT_TRUE(signal);
    ULONG number = 0;
    ASSERT_EQ(signal->GetSignalError(&number), S_OK);
    EXPECT_EQ(number, 99u);
    ASSERT_EQ(signal->GetSignalStrength(&number), S_OK);
    EXPECT_EQ(number, 21u);

    auto registration = Part<IMbnRegistration>(mbn);
    ASSERT_TRUE(registration);
    MBN_REGISTER_STATE state{};
    ASSERT_EQ(registration->GetRegisterState(&state), S_OK);
    EXPECT_EQ(state, MBN_REGISTER_STATE_HOME);
    MBN_REGISTER_MODE mode{};
    ASSERT_EQ(registration->GetRegisterMode(&mode), S_OK);
    EXPECT_EQ(mode, MBN_REGISTER_MODE_AUTOMATIC);
    ASSERT_EQ(registration->GetProviderID(text.Put()), S_OK);
    EXPECT_EQ(Text(text), u"26201");
    ASSERT_EQ(registration->GetProviderName(text.Put()), S_OK);
    EXPECT_EQ(Text(text), u"Carrier");
    ASSERT_EQ(registration->GetRoamingText(text.Put()), S_OK);
    EXPECT_EQ(Text(text), u"Home");
    ASSERT_EQ(registration->GetAvailableDataClasses(&number), S_OK);
    EXPECT_EQ(number, 32u);
    ASSERT_EQ(registration->GetCurrentDataClass(&number), S_OK);
    EXPECT_EQ(number, 32u);
    ASSERT_EQ(registration->GetRegistrationNetworkError(&number), S_OK);
    EXPECT_EQ(number, 8u);
    ASSERT_EQ(registration->GetPacketAttachNetworkError(&number), S_OK);
    EXPECT_EQ(number, 7u);

    auto context = Part<IMbnConnectionContext>(mbn);
    ASSERT_TRUE(context);
    UniqueSafeArray contexts;
    ASSERT_EQ(context->GetProvisionedContexts(contexts.Put()), S_OK);
    index = 0;
    OwnedRecord<MBN_CONTEXT> record;
    ASSERT_EQ(ArrayGetElement(contexts.Get(), &index, record.Put()), S_OK);
    EXPECT_EQ(record->contextID, 1u);
    EXPECT_EQ(record->contextType, MBN_CONTEXT_TYPE_INTERNET);
    EXPECT_EQ(BstrView(record->accessString), u"internet");
    EXPECT_EQ(BstrView(record->userName), u"u");
    EXPECT_EQ(BstrView(record->password), u"p");
    EXPECT_EQ(record->compression, MBN_COMPRESSION_ENABLE);
    EXPECT_EQ(record->authType, MBN_AUTH_PROTOCOL_CHAP);

    auto radio = Part<IMbnRadio>(mbn);
    ASSERT_TRUE(radio);
    MBN_RADIO switchState = MBN_RADIO_OFF;
    ASSERT_EQ(radio->get_SoftwareRadioState(&switchState), S_OK);
    EXPECT_EQ(switchState, MBN_RADIO_ON);
    ASSERT_EQ(radio->get_HardwareRadioState(&switchState), S_OK);
    EXPECT_EQ(switchState, MBN_RADIO_OFF);

    OwnedRecord<MBN_PROVIDER> home;
    ASSERT_EQ(mbn->GetHomeProvider(home.Put()), S_OK);
    EXPECT_EQ(BstrView(home->providerID), u"26201");
    EXPECT_EQ(home->providerState, 17u);
    EXPECT_EQ(BstrView(home->providerName), u"Carrier");
    EXPECT_EQ(home->dataClass, 32u);

    MBN_READY_STATE ready{};
    ASSERT_EQ(mbn->GetReadyState(&ready), S_OK);
    EXPECT_EQ(ready, MBN_READY_STATE_INITIALIZED);
    VARIANT_BOOL emergency = 0;
    ASSERT_EQ(mbn->InEmergencyMode(&emergency), S_OK);
    EXPECT_EQ(emergency, VARIANT_TRUE);

    ComPtr<IMbnConnection> connection;
    ASSERT_EQ(mbn->GetConnection(connection.Put()), S_OK);
    MBN_ACTIVATION_STATE activation{};
    ASSERT_EQ(connection->GetConnectionState(&activation, text.Put()), S_OK);
    EXPECT_EQ(activation, MBN_ACTIVATION_STATE_ACTIVATED);
    EXPECT_EQ(Text(text), u"Internet");
    ASSERT_EQ(connection->get_ConnectionID(text.Put()), S_OK);
    EXPECT_EQ(Text(text), u"conn-1");

    UniqueSafeArray providers;
    ASSERT_EQ(mbn->GetPreferredProviders(providers.Put()), S_OK);
    ASSERT_EQ(ArrayGetElement(providers.Get(), &index, home.Put()), S_OK);
    EXPECT_EQ(BstrView(home->providerName), u"Other");
    EXPECT_EQ(home->providerState, 4u);
}

TEST_F(ServiceValues, StringsAreFreshAndKeepNullsAndEmbeddedNuls) {
    SimulatedService service(Parse(R"({"interfaces": [{
        "interfaceId": "a\u0000b",
        "subscriber": {"simIccId": null, "subscriberId": ""}}]})"));
    auto mbn = InterfaceAt(0);
    ASSERT_TRUE(mbn);
    UniqueBstr first, second;
    ASSERT_EQ(mbn->get_InterfaceID(first.Put()), S_OK);
    ASSERT_EQ(mbn->get_InterfaceID(second.Put()), S_OK);
    EXPECT_EQ(SysStringLen(first.Get()), 3u);
    EXPECT_EQ(Text(first), std::u16string(u"a\0b", 3));
    EXPECT_NE(first.Get(), second.Get());  // each caller owns its own copy

    ComPtr<IMbnSubscriberInformation> subscriber;
    ASSERT_EQ(mbn->GetSubscriberInformation(subscriber.Put()), S_OK);
    ASSERT_EQ(subscriber->get_SimIccID(first.Put()), S_OK);
    EXPECT_EQ(first.Get(), nullptr);
    ASSERT_EQ(subscriber->get_SubscriberID(first.Put()), S_OK);
    ASSERT_NE(first.Get(), nullptr);  // empty is not null
    EXPECT_EQ(SysStringLen(first.Get()), 0u);
}

TEST_F(ServiceValues, FailuresLeaveOutParametersEmpty) {
    SimulatedService service(Parse(R"({"interfaces": [{
        "interfaceId": {"hr": "0x80004005"},
        "capabilities": {"hr": "0x80548212"},
        "subscriber": {"hr": "0x8054820A"},
        "signal": {"hr": "0x80004002"},
        "registration": {"registerState": {"hr": "0x80070015"}, "providerName": {"hr": "0x8007001F"}},
        "homeProvider": {"hr": "0x80004001"},
        "connection": {"connectionState": {"hr": "0x80070490"}},
        "preferredProviders": {"hr": "0x80070032"},
        "emergencyMode": {"hr": "0x80004005"}}]})"));
    auto mbn = InterfaceAt(0);
    ASSERT_TRUE(mbn);

    BSTR raw = reinterpret_cast<BSTR>(0x1);
    EXPECT_EQ(mbn->get_InterfaceID(&raw), E_FAIL);
    EXPECT_EQ(raw, nullptr);

    MBN_INTERFACE_CAPS caps;
    caps.manufacturer = reinterpret_cast<BSTR>(0x1);
    caps.dataClass = 9;
    EXPECT_EQ(mbn->GetInterfaceCapability(&caps), E_MBN_FAILURE);
    EXPECT_EQ(caps.manufacturer, nullptr);
    EXPECT_EQ(caps.dataClass, 0u);

    IMbnSubscriberInformation* subscriber = reinterpret_cast<IMbnSubscriberInformation*>(0x1);
    EXPECT_EQ(mbn->GetSubscriberInformation(&subscriber), E_MBN_SIM_NOT_INSERTED);
    EXPECT_EQ(subscriber, nullptr);

    void* signal = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(mbn->QueryInterface(IID_IMbnSignal, &signal), E_NOINTERFACE);
    EXPECT_EQ(signal, nullptr);

    auto registration = Part<IMbnRegistration>(mbn);
    ASSERT_TRUE(registration);
    MBN_REGISTER_STATE state = MBN_REGISTER_STATE_HOME;
    EXPECT_EQ(registration->GetRegisterState(&state), HRESULT_FROM_WIN32(21));
    EXPECT_EQ(state, MBN_REGISTER_STATE_NONE);
    UniqueBstr text;
    EXPECT_EQ(registration->GetProviderName(text.Put()), HRESULT_FROM_WIN32(31));
    EXPECT_EQ(text.Get(), nullptr);

    OwnedRecord<MBN_PROVIDER> home;
    EXPECT_EQ(mbn->GetHomeProvider(home.Put()), E_NOTIMPL);
    EXPECT_EQ(home->providerID, nullptr);

    ComPtr<IMbnConnection> connection;
    ASSERT_EQ(mbn->GetConnection(connection.Put()), S_OK);
    MBN_ACTIVATION_STATE activation = MBN_ACTIVATION_STATE_ACTIVATED;
    EXPECT_EQ(connection->GetConnectionState(&activation, text.Put()),
              HRESULT_FROM_WIN32(ERROR_NOT_FOUND));
    EXPECT_EQ(activation, MBN_ACTIVATION_STATE_NONE);
    EXPECT_EQ(text.Get(), nullptr);

    UniqueSafeArray providers;
    EXPECT_EQ(mbn->GetPreferredProviders(providers.Put()), HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED));
    EXPECT_FALSE(providers);

    VARIANT_BOOL emergency = VARIANT_TRUE;
    EXPECT_EQ(mbn->InEmergencyMode(&emergency), E_FAIL);
    EXPECT_EQ(emergency, 0);

    // A null out-parameter is refused, not written through.
    EXPECT_EQ(mbn->GetReadyState(nullptr), E_POINTER);
    EXPECT_EQ(mbn->GetConnection(nullptr), E_POINTER);
}

TEST_F(ServiceValues, SuccessCodesComeWithTheirValue) {
    SimulatedService service(Parse(R"({"interfaces": [{
        "readyState": {"hr": "0x1", "value": 2},
        "radio": {"hr": "0x1", "value": {"software": 1}},
        "connectionProfiles": [{"xml": {"hr": "0x1", "value": "<p/>"}}]}]})"));
    auto mbn = InterfaceAt(0);
    ASSERT_TRUE(mbn);
    MBN_READY_STATE ready{};
    EXPECT_EQ(mbn->GetReadyState(&ready), S_FALSE);
    EXPECT_EQ(ready, MBN_READY_STATE_SIM_NOT_INSERTED);

    ComPtr<IMbnRadio> radio;
    EXPECT_EQ(mbn->QueryInterface(IID_IMbnRadio, radio.PutVoid()), S_FALSE);
    ASSERT_TRUE(radio);
    MBN_RADIO software = MBN_RADIO_OFF;
    EXPECT_EQ(radio->get_SoftwareRadioState(&software), S_OK);
    EXPECT_EQ(software, MBN_RADIO_ON);

    auto profiles = Create<IMbnConnectionProfileManager>(CLSID_MbnConnectionProfileManager);
    UniqueSafeArray list;
    ASSERT_EQ(profiles->GetConnectionProfiles(mbn.Get(), list.Put()), S_OK);
    LONG index = 0;
    ComPtr<IMbnConnectionProfile> profile;
    ASSERT_EQ(ArrayGetElement(list.Get(), &index, profile.PutVoid()), S_OK);
    UniqueBstr xml;
    EXPECT_EQ(profile->GetProfileXmlData(xml.Put()), S_FALSE);
    EXPECT_EQ(Text(xml), u"<p/>");
}

TEST_F(ServiceValues, ArrayBoundsAndElementFaults) {
    SimulatedService service(Parse(R"({"interfaces": [{
        "subscriber": {"telephoneNumbers": {"lbound": 5, "items": ["a", {"hr": "0x8007000E"}, "c"],
                                            "uboundHr": "0x80004005"}},
        "connectionContext": {"provisionedContexts": {"lbound": -1, "items": [], "lboundHr": "0x8000FFFF"}}
    }]})"));
    auto mbn = InterfaceAt(0);
    ASSERT_TRUE(mbn);
    ComPtr<IMbnSubscriberInformation> subscriber;
    ASSERT_EQ(mbn->GetSubscriberInformation(subscriber.Put()), S_OK);
    UniqueSafeArray numbers;
    ASSERT_EQ(subscriber->get_TelephoneNumbers(numbers.Put()), S_OK);
    LONG bound = 0;
    ASSERT_EQ(ArrayGetLBound(numbers.Get(), 1, &bound), S_OK);
    EXPECT_EQ(bound, 5);
    EXPECT_EQ(ArrayGetUBound(numbers.Get(), 1, &bound), E_FAIL);
    UniqueBstr text;
    LONG index = 5;
    ASSERT_EQ(ArrayGetElement(numbers.Get(), &index, text.Put()), S_OK);
    EXPECT_EQ(Text(text), u"a");
    index = 6;
    EXPECT_EQ(ArrayGetElement(numbers.Get(), &index, text.Put()), E_OUTOFMEMORY);
    index = 7;
    ASSERT_EQ(ArrayGetElement(numbers.Get(), &index, text.Put()), S_OK);
    EXPECT_EQ(Text(text), u"c");

    auto context = Part<IMbnConnectionContext>(mbn);
    UniqueSafeArray contexts;
    ASSERT_EQ(context->GetProvisionedContexts(contexts.Put()), S_OK);
    EXPECT_EQ(ArrayGetLBound(contexts.Get(), 1, &bound), E_UNEXPECTED);
    ASSERT_EQ(ArrayGetUBound(contexts.Get(), 1, &bound), S_OK);
    EXPECT_EQ(bound, -2);  // empty: the upper bound is below the lower one
}

TEST_F(ServiceValues, InterfaceListHoldsTypedInterfacesAndFaults) {
    SimulatedService service(Parse(R"({"interfaces": {"lbound": 1, "items": [
        {"interfaceId": "first"}, {"hr": "0x80004005"}, {"interfaceId": "third"}]}})"));
    auto manager = Create<IMbnInterfaceManager>(CLSID_MbnInterfaceManager);
    ASSERT_TRUE(manager);
    UniqueSafeArray list;
    ASSERT_EQ(manager->GetInterfaces(list.Put()), S_OK);
    EXPECT_EQ(SafeArrayGetKind(list.Get()), SafeArrayKind::Unknown);
    UniqueBstr id;
    for (LONG index : {1, 3}) {
        IMbnInterface* typed = nullptr;
        ASSERT_EQ(ArrayGetElement(list.Get(), &index, &typed), S_OK);
        ComPtr<IMbnInterface> owned = ComPtr<IMbnInterface>::Adopt(typed);
        ASSERT_EQ(owned->get_InterfaceID(id.Put()), S_OK);
        EXPECT_EQ(Text(id), index == 1 ? u"first" : u"third");
    }
    LONG index = 2;
    ComPtr<IMbnInterface> missing;
    EXPECT_EQ(ArrayGetElement(list.Get(), &index, missing.PutVoid()), E_FAIL);
}

TEST_F(ServiceValues, ManagerCreationFollowsTheScenario) {
    {
        SimulatedService service(Parse(R"({"interfaceManager": {"hr": "0x80080005"},
                                           "connectionManager": {"hr": "0x80004005"},
                                           "connectionProfileManager": {"hr": "0x8007000E"}})"));
        HRESULT hr = S_OK;
        EXPECT_FALSE(Create<IMbnInterfaceManager>(CLSID_MbnInterfaceManager, &hr));
        EXPECT_EQ(hr, CO_E_SERVER_EXEC_FAILURE);
        EXPECT_FALSE(Create<IMbnConnectionManager>(CLSID_MbnConnectionManager, &hr));
        EXPECT_EQ(hr, E_FAIL);
        EXPECT_FALSE(Create<IMbnConnectionProfileManager>(CLSID_MbnConnectionProfileManager, &hr));
        EXPECT_EQ(hr, E_OUTOFMEMORY);
    }
    HRESULT hr = S_OK;
    EXPECT_FALSE(Create<IMbnInterfaceManager>(CLSID_MbnInterfaceManager, &hr));
    EXPECT_EQ(hr, REGDB_E_CLASSNOTREG);  // gone with the service

    SimulatedService service(Parse("{}"));
    EXPECT_TRUE(Create<IMbnConnectionManager>(CLSID_MbnConnectionManager, &hr));
    EXPECT_EQ(hr, S_OK);
    EXPECT_FALSE(Create<IMbnInterface>(CLSID_MbnConnectionManager, &hr));
    EXPECT_EQ(hr, E_NOINTERFACE);
    auto none = Create<IMbnInterfaceManager>(CLSID_MbnInterfaceManager);
    ASSERT_TRUE(none);
    UniqueSafeArray list;
    EXPECT_EQ(none->GetInterfaces(list.Put()), S_OK);
    LONG upper = 0;
    ASSERT_EQ(ArrayGetUBound(list.Get(), 1, &upper), S_OK);
    EXPECT_EQ(upper, -1);
}

std::vector<std::u16string> ConnectionIds() {
    std::vector<std::u16string> ids;
    auto manager = Create<IMbnConnectionManager>(CLSID_MbnConnectionManager);
    UniqueSafeArray list;
    if (!manager || FAILED(manager->GetConnections(list.Put())))
        return {u"(failed)"};
    LONG lower = 0, upper = -1;
    ArrayGetLBound(list.Get(), 1, &lower);
    ArrayGetUBound(list.Get(), 1, &upper);
    for (LONG i = lower; i <= upper; ++i) {
        ComPtr<IMbnConnection> connection;
        UniqueBstr id;
        if (FAILED(ArrayGetElement(list.Get(), &i, connection.PutVoid())))
            ids.push_back(u"(no element)");
        else if (FAILED(connection->get_ConnectionID(id.Put())))
            ids.push_back(u"(no id)");
        else
            ids.emplace_back(id.View());
    }
    return ids;
}

TEST_F(ServiceValues, ConnectionsFollowTheInterfacesUnlessListed) {
    {
        SimulatedService service(Parse(R"({"interfaces": [
            {"connection": {"connectionId": "one"}},
            {"connection": {"hr": "0x80004005"}},
            {"hr": "0x80004005"},
            {"connection": {"connectionId": {"hr": "0x80004005"}}},
            {"connection": {"connectionId": "four"}}]})"));
        EXPECT_EQ(ConnectionIds(), (std::vector<std::u16string>{u"one", u"(no id)", u"four"}));
    }
    {
        SimulatedService service(Parse(R"({"interfaces": {"hr": "0x80070490"}})"));
        EXPECT_TRUE(ConnectionIds().empty());
    }
    {
        SimulatedService service(Parse(R"({
            "interfaces": [{"connection": {"connectionId": "ignored"}}],
            "connectionManager": {"connections": [{"connectionId": "x"}, {"hr": "0x80004005"}]}})"));
        EXPECT_EQ(ConnectionIds(), (std::vector<std::u16string>{u"x", u"(no element)"}));
    }
    {
        SimulatedService service(
            Parse(R"({"connectionManager": {"connections": {"hr": "0x80004005"}}})"));
        EXPECT_EQ(ConnectionIds(), (std::vector<std::u16string>{u"(failed)"}));
    }
}

TEST_F(ServiceValues, ProfilesBelongToTheInterfaceGiven) {
    SimulatedService service(Parse(R"({"interfaces": [
        {"connectionProfiles": ["<one/>"]},
        {"connectionProfiles": ["<two/>", {"xml": {"hr": "0x80004005"}}]}]})"));
    auto profiles = Create<IMbnConnectionProfileManager>(CLSID_MbnConnectionProfileManager);
    ASSERT_TRUE(profiles);
    auto second = InterfaceAt(1);
    UniqueSafeArray list;
    ASSERT_EQ(profiles->GetConnectionProfiles(second.Get(), list.Put()), S_OK);
    LONG upper = 0;
    ASSERT_EQ(ArrayGetUBound(list.Get(), 1, &upper), S_OK);
    EXPECT_EQ(upper, 1);
    UniqueBstr xml;
    LONG index = 0;
    IMbnConnectionProfile* typed = nullptr;
    ASSERT_EQ(ArrayGetElement(list.Get(), &index, &typed), S_OK);
    auto profile = ComPtr<IMbnConnectionProfile>::Adopt(typed);
    ASSERT_EQ(profile->GetProfileXmlData(xml.Put()), S_OK);
    EXPECT_EQ(Text(xml), u"<two/>");
    index = 1;
    ASSERT_EQ(ArrayGetElement(list.Get(), &index, profile.PutVoid()), S_OK);
    EXPECT_EQ(profile->GetProfileXmlData(xml.Put()), E_FAIL);

    EXPECT_EQ(profiles->GetConnectionProfiles(nullptr, list.Put()), E_POINTER);
    EXPECT_FALSE(list);
}

TEST_F(ServiceValues, ScenarioAdaptersReplaceTheSystemsWhileTheServiceLives) {
    std::vector<AdapterRecord> records;
    {
        SimulatedService service(
            Parse(R"({"adapters": [{"name": "{1234}", "description": "LTE Modem"},
                                                        {"name": null, "description": null}]})"));
        ASSERT_EQ(ListAdapters(records), AdapterListing::Listed);
        ASSERT_EQ(records.size(), 2u);
        EXPECT_EQ(records[0].name, "{1234}");
        EXPECT_EQ(records[0].description, u"LTE Modem");
        EXPECT_FALSE(records[1].name.has_value());
        EXPECT_EQ(records[1].description, u"");
    }
    AdapterListing withoutService = ListAdapters(records);
    SimulatedService service(Parse("{}"));
    EXPECT_EQ(ListAdapters(records), withoutService);  // no "adapters": the system's are used
}

TEST_F(ServiceValues, EverythingHandedOutIsGivenBackAfterUse) {
    LiveCounts before = CurrentLiveCounts();
    {
        SimulatedService service(Parse(kDevice));
        auto mbn = InterfaceAt(0);
        ASSERT_TRUE(mbn);
        auto registration = Part<IMbnRegistration>(mbn);
        UniqueSafeArray providers;
        ASSERT_EQ(mbn->GetPreferredProviders(providers.Put()), S_OK);
        auto profiles = Create<IMbnConnectionProfileManager>(CLSID_MbnConnectionProfileManager);
        UniqueSafeArray list;
        ASSERT_EQ(profiles->GetConnectionProfiles(mbn.Get(), list.Put()), S_OK);
        EXPECT_NE(CurrentLiveCounts(), before);
    }
    EXPECT_EQ(CurrentLiveCounts(), before);
}

TEST_F(ServiceValues, ObjectsOutlivingTheirServiceStaySafe) {
    LiveCounts before = CurrentLiveCounts();
    ComPtr<IMbnInterface> kept;
    {
        SimulatedService service(Parse(kDevice));
        kept = InterfaceAt(0);
    }
    ASSERT_TRUE(kept);
    UniqueBstr id;
    EXPECT_EQ(kept->get_InterfaceID(id.Put()), S_OK);
    EXPECT_EQ(Text(id), u"{1234}");
    id.Reset();
    kept.Reset();
    EXPECT_EQ(CurrentLiveCounts(), before);
}

}  // namespace
}  // namespace paravue::simulated

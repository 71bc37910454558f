#include <optional>
#include <string>
#include <vector>

#include "platform/connection_point.h"
#include "platform/intercept/layer.h"
#include "platform/safearray.h"
#include "service_test_support.h"
#include "tests/support/call_log.h"
#include "tests/support/test_service.h"

namespace paravue::simulated {
namespace {

using test_support::TestService;
using testing::ComApartment;
using testing::Create;
using testing::Parse;
using testing::Part;
using Log = std::vector<std::string>;

constexpr char kScenario[] = R"({"interfaces": [{
    "interfaceId": "A",
    "subscriber": {"telephoneNumbers": ["1"]},
    "connectionContext": {"provisionedContexts": [{}]},
    "preferredProviders": [{}],
    "connection": {"connectionId": "c"},
    "connectionProfiles": ["<p/>"]}]})";

class CallLog : public ::testing::Test {
  protected:
    ComApartment apartment_;
};

// Walks a list the way a reader does: bounds, then every element.
template <class Element>
void Walk(SAFEARRAY* array) {
    LONG lower = 0, upper = -1;
    ArrayGetLBound(array, 1, &lower);
    ArrayGetUBound(array, 1, &upper);
    for (LONG i = lower; i <= upper; ++i) {
        Element element{};
        ArrayGetElement(array, &i, &element);
        if constexpr (std::is_same_v<Element, BSTR>)
            SysFreeString(element);
        if constexpr (std::is_pointer_v<Element> && !std::is_same_v<Element, BSTR>)
            if (element)
                element->Release();
        if constexpr (std::is_class_v<Element>)
            ClearRecord(element);
    }
}

TEST_F(CallLog, NamesEveryCallInOrder) {
    TestService service(Parse(kScenario));
    auto manager = Create<IMbnInterfaceManager>(CLSID_MbnInterfaceManager);
    UniqueSafeArray list;
    manager->GetInterfaces(list.Put());
    LONG index = 0;
    ComPtr<IMbnInterface> mbn;
    ArrayGetElement(list.Get(), &index, mbn.PutVoid());
    UniqueBstr text;
    mbn->get_InterfaceID(text.Put());
    OwnedRecord<MBN_INTERFACE_CAPS> caps;
    mbn->GetInterfaceCapability(caps.Put());
    ComPtr<IMbnSubscriberInformation> subscriber;
    mbn->GetSubscriberInformation(subscriber.Put());
    subscriber->get_SimIccID(text.Put());
    subscriber->get_SubscriberID(text.Put());
    UniqueSafeArray numbers;
    subscriber->get_TelephoneNumbers(numbers.Put());
    Walk<BSTR>(numbers.Get());
    auto signal = Part<IMbnSignal>(mbn);
    ULONG number;
    signal->GetSignalError(&number);
    signal->GetSignalStrength(&number);
    auto registration = Part<IMbnRegistration>(mbn);
    registration->GetRoamingText(text.Put());
    auto context = Part<IMbnConnectionContext>(mbn);
    UniqueSafeArray contexts;
    context->GetProvisionedContexts(contexts.Put());
    Walk<MBN_CONTEXT>(contexts.Get());
    auto radio = Part<IMbnRadio>(mbn);
    MBN_RADIO state;
    radio->get_HardwareRadioState(&state);
    OwnedRecord<MBN_PROVIDER> home;
    mbn->GetHomeProvider(home.Put());
    MBN_READY_STATE ready;
    mbn->GetReadyState(&ready);
    VARIANT_BOOL emergency;
    mbn->InEmergencyMode(&emergency);
    ComPtr<IMbnConnection> connection;
    mbn->GetConnection(connection.Put());
    MBN_ACTIVATION_STATE activation;
    connection->GetConnectionState(&activation, text.Put());
    UniqueSafeArray providers;
    mbn->GetPreferredProviders(providers.Put());
    Walk<MBN_PROVIDER>(providers.Get());
    auto connections = Create<IMbnConnectionManager>(CLSID_MbnConnectionManager);
    UniqueSafeArray connectionList;
    connections->GetConnections(connectionList.Put());
    Walk<IMbnConnection*>(connectionList.Get());
    auto profiles = Create<IMbnConnectionProfileManager>(CLSID_MbnConnectionProfileManager);
    UniqueSafeArray profileList;
    profiles->GetConnectionProfiles(mbn.Get(), profileList.Put());
    index = 0;
    ComPtr<IMbnConnectionProfile> profile;
    ArrayGetElement(profileList.Get(), &index, profile.PutVoid());
    profile->GetProfileXmlData(text.Put());
    // Reference counting and asking an object for itself are not service calls.
    ComPtr<IUnknown> unknown;
    mbn.As(&unknown);
    ComPtr<IMbnInterface> same;
    mbn.As(&same);

    EXPECT_EQ(service.CallLog(), (Log{
                                     "CoCreateInstance(MbnInterfaceManager)",
                                     "IMbnInterfaceManager::GetInterfaces",
                                     "SafeArrayGetElement(interfaces)",
                                     "IMbnInterface::get_InterfaceID",
                                     "IMbnInterface::GetInterfaceCapability",
                                     "IMbnInterface::GetSubscriberInformation",
                                     "IMbnSubscriberInformation::get_SimIccID",
                                     "IMbnSubscriberInformation::get_SubscriberID",
                                     "IMbnSubscriberInformation::get_TelephoneNumbers",
                                     "SafeArrayGetLBound(telephoneNumbers)",
                                     "SafeArrayGetUBound(telephoneNumbers)",
                                     "SafeArrayGetElement(telephoneNumbers)",
                                     "IMbnInterface::QueryInterface(IMbnSignal)",
                                     "IMbnSignal::GetSignalError",
                                     "IMbnSignal::GetSignalStrength",
                                     "IMbnInterface::QueryInterface(IMbnRegistration)",
                                     "IMbnRegistration::GetRoamingText",
                                     "IMbnInterface::QueryInterface(IMbnConnectionContext)",
                                     "IMbnConnectionContext::GetProvisionedContexts",
                                     "SafeArrayGetLBound(provisionedContexts)",
                                     "SafeArrayGetUBound(provisionedContexts)",
                                     "SafeArrayGetElement(provisionedContexts)",
                                     "IMbnInterface::QueryInterface(IMbnRadio)",
                                     "IMbnRadio::get_HardwareRadioState",
                                     "IMbnInterface::GetHomeProvider",
                                     "IMbnInterface::GetReadyState",
                                     "IMbnInterface::InEmergencyMode",
                                     "IMbnInterface::GetConnection",
                                     "IMbnConnection::GetConnectionState",
                                     "IMbnInterface::GetPreferredProviders",
                                     "SafeArrayGetLBound(preferredProviders)",
                                     "SafeArrayGetUBound(preferredProviders)",
                                     "SafeArrayGetElement(preferredProviders)",
                                     "CoCreateInstance(MbnConnectionManager)",
                                     "IMbnConnectionManager::GetConnections",
                                     "SafeArrayGetLBound(connections)",
                                     "SafeArrayGetUBound(connections)",
                                     "SafeArrayGetElement(connections)",
                                     "CoCreateInstance(MbnConnectionProfileManager)",
                                     "IMbnConnectionProfileManager::GetConnectionProfiles",
                                     "SafeArrayGetElement(connectionProfiles)",
                                     "IMbnConnectionProfile::GetProfileXmlData",
                                 }));
}

TEST_F(CallLog, TheKthCallFailsWhateverTheScenarioSays) {
    TestService service(Parse(kScenario));
    service.FailCall(3, E_MBN_FAILURE);  // the element fetch of the interface list
    service.FailCall(5, HRESULT_FROM_WIN32(ERROR_NOT_FOUND));
    auto manager = Create<IMbnInterfaceManager>(CLSID_MbnInterfaceManager);
    UniqueSafeArray list;
    ASSERT_EQ(manager->GetInterfaces(list.Put()), S_OK);
    LONG index = 0;
    ComPtr<IMbnInterface> mbn;
    EXPECT_EQ(ArrayGetElement(list.Get(), &index, mbn.PutVoid()), E_MBN_FAILURE);
    EXPECT_FALSE(mbn);
    ASSERT_EQ(ArrayGetElement(list.Get(), &index, mbn.PutVoid()), S_OK);
    UniqueBstr id;
    EXPECT_EQ(mbn->get_InterfaceID(id.Put()), HRESULT_FROM_WIN32(ERROR_NOT_FOUND));
    EXPECT_EQ(id.Get(), nullptr);
    EXPECT_EQ(mbn->get_InterfaceID(id.Put()), S_OK);
    EXPECT_EQ(service.CallLog().size(), 6u);  // failed calls are logged too
}

TEST_F(CallLog, AnInjectedFailureCanStopObjectCreation) {
    TestService service(Parse(kScenario));
    service.FailCall(1, CO_E_SERVER_EXEC_FAILURE);
    HRESULT hr = S_OK;
    EXPECT_FALSE(Create<IMbnInterfaceManager>(CLSID_MbnInterfaceManager, &hr));
    EXPECT_EQ(hr, CO_E_SERVER_EXEC_FAILURE);
    EXPECT_EQ(service.CallLog(), Log{"CoCreateInstance(MbnInterfaceManager)"});
}

TEST_F(CallLog, ClearingStartsTheCountAgainAndDropsInjectedFailures) {
    TestService service(Parse(kScenario));
    auto mbn = testing::InterfaceAt(0);
    ASSERT_TRUE(mbn);
    service.FailCall(1, E_FAIL);
    service.ClearCallLog();
    EXPECT_TRUE(service.CallLog().empty());
    MBN_READY_STATE ready;
    EXPECT_EQ(mbn->GetReadyState(&ready), S_OK);  // the dropped failure
    service.ClearCallLog();
    service.FailCall(2, E_FAIL);
    EXPECT_EQ(mbn->GetReadyState(&ready), S_OK);
    EXPECT_EQ(mbn->GetReadyState(&ready), E_FAIL);
    EXPECT_EQ(mbn->GetReadyState(&ready), S_OK);
    EXPECT_EQ(service.CallLog(), (Log(3, "IMbnInterface::GetReadyState")));
}

TEST_F(CallLog, NothingIsSeenOnceTheServiceIsGone) {
    ComPtr<IMbnInterface> kept;
    {
        TestService service(Parse(kScenario));
        service.FailCall(4, E_FAIL);  // the call after the three that find the interface
        kept = testing::InterfaceAt(0);
        ASSERT_TRUE(kept);
    }
    // The service no longer observes: no injected failure reaches the caller,
    // and the call belongs to no other service's log either.
    TestService next(Parse(kScenario));
    MBN_READY_STATE ready;
    EXPECT_EQ(kept->GetReadyState(&ready), S_OK);
    EXPECT_TRUE(next.CallLog().empty());
}

TEST_F(CallLog, ALayerOverTheServiceSeesTheSameCallsAndMayOutliveIt) {
    std::optional<TestService> service(std::in_place, Parse(kScenario));
    test_support::CallLog outer;
    std::optional<intercept::Layer> layer(std::in_place, std::vector<intercept::Client*>{&outer});
    ComPtr<IMbnInterface> mbn = testing::InterfaceAt(0);
    MBN_READY_STATE ready;
    EXPECT_EQ(mbn->GetReadyState(&ready), S_OK);
    EXPECT_EQ(outer.Calls().size(), 4u);
    EXPECT_EQ(outer.Calls(), service->CallLog());

    mbn.Reset();
    service.reset();  // the layer below goes first: the one above passes on to what is left
    ComPtr<IMbnInterfaceManager> manager;
    EXPECT_EQ(CoCreateInstance(CLSID_MbnInterfaceManager, nullptr, CLSCTX_ALL,
                               IID_IMbnInterfaceManager, manager.PutVoid()),
              REGDB_E_CLASSNOTREG);
    UniqueSafeArray plain(SafeArrayCreateVector(SafeArrayKind::Bstr, 3, 1));
    LONG lower = 0;
    EXPECT_EQ(ArrayGetLBound(plain.Get(), 1, &lower), S_OK);
    EXPECT_EQ(lower, 3);
    layer.reset();
}

// A scenario run intercepts calls only to answer array failures: without a
// layer the manager handed out is the service's own object, so its container
// hands back that same manager; a layer's wrapper passes the container query
// on to the object it wraps.
TEST_F(CallLog, TheServiceInterceptsOnlyScenariosThatMayFailAnArray) {
    struct Case {
        const char* json;
        bool intercepted;
    } cases[] = {
        {kScenario, false},
        {R"({"interfaces": [{"preferredProviders": {"items": [], "uboundHr": "0x80004005"}}]})",
         true},
        {R"({"interfaces": {"items": [{"hr": "0x80004005"}]}})", true},
        {R"({"events": [{"event": "OnInterfaceArrival", "patch": {"interfaces": []}}]})", true},
        {R"({"events": [{"event": "OnInterfaceArrival"}]})", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.json);
        SimulatedService service(Parse(c.json));
        auto manager = Create<IMbnInterfaceManager>(CLSID_MbnInterfaceManager);
        ComPtr<IConnectionPointContainer> container;
        ASSERT_EQ(manager.As(&container), S_OK);
        ComPtr<IMbnInterfaceManager> back;
        ASSERT_EQ(container.As(&back), S_OK);
        EXPECT_EQ(back.Get() != manager.Get(), c.intercepted);
    }
}

}  // namespace
}  // namespace paravue::simulated

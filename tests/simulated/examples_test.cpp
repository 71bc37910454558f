// The example scenarios shipped for users must load and show what their names
// promise.
#include <string>

#include "platform/adapters.h"
#include "platform/safearray.h"
#include "platform/utf.h"
#include "service_test_support.h"

namespace paravue::simulated {
namespace {

using testing::ComApartment;
using testing::Create;
using testing::Text;

Scenario Example(const std::string& name) {
    return LoadScenarioFile(std::string(PARAVUE_SOURCE_DIR) + "/examples/" + name);
}

class Examples : public ::testing::Test {
  protected:
    ComApartment apartment_;
};

TEST_F(Examples, DemoIsACompleteConnectedModemWithItsAdapter) {
    SimulatedService service(Example("demo.json"));
    auto mbn = testing::InterfaceAt(0);
    ASSERT_TRUE(mbn);
    UniqueBstr id;
    ASSERT_EQ(mbn->get_InterfaceID(id.Put()), S_OK);

    std::vector<AdapterRecord> adapters;
    ASSERT_EQ(ListAdapters(adapters), AdapterListing::Listed);
    bool named = false;
    for (const AdapterRecord& adapter : adapters)
        named |=
            adapter.name && Utf8ToUtf16(*adapter.name) == Text(id) && !adapter.description.empty();
    EXPECT_TRUE(named) << "no adapter carries the interface's ID";

    auto context = testing::Part<IMbnConnectionContext>(mbn);
    ASSERT_TRUE(context);
    UniqueSafeArray contexts;
    ASSERT_EQ(context->GetProvisionedContexts(contexts.Put()), S_OK);
    LONG upper = 0;
    ASSERT_EQ(ArrayGetUBound(contexts.Get(), 1, &upper), S_OK);
    EXPECT_EQ(upper, 1);
    UniqueSafeArray providers;
    ASSERT_EQ(mbn->GetPreferredProviders(providers.Put()), S_OK);
    ASSERT_EQ(ArrayGetUBound(providers.Get(), 1, &upper), S_OK);
    EXPECT_EQ(upper, 1);

    auto connections = Create<IMbnConnectionManager>(CLSID_MbnConnectionManager);
    UniqueSafeArray list;
    ASSERT_EQ(connections->GetConnections(list.Put()), S_OK);
    ASSERT_EQ(ArrayGetUBound(list.Get(), 1, &upper), S_OK);
    EXPECT_EQ(upper, 0);
    auto profiles = Create<IMbnConnectionProfileManager>(CLSID_MbnConnectionProfileManager);
    ASSERT_EQ(profiles->GetConnectionProfiles(mbn.Get(), list.Put()), S_OK);
    ASSERT_EQ(ArrayGetUBound(list.Get(), 1, &upper), S_OK);
    EXPECT_EQ(upper, 0);

    MBN_READY_STATE ready{};
    ASSERT_EQ(mbn->GetReadyState(&ready), S_OK);
    EXPECT_EQ(ready, MBN_READY_STATE_INITIALIZED);
}

TEST_F(Examples, NoDeviceFailsTheInterfaceListWithNotFound) {
    SimulatedService service(Example("no-device.json"));
    auto manager = Create<IMbnInterfaceManager>(CLSID_MbnInterfaceManager);
    ASSERT_TRUE(manager);
    UniqueSafeArray list;
    EXPECT_EQ(manager->GetInterfaces(list.Put()), HRESULT_FROM_WIN32(ERROR_NOT_FOUND));
}

TEST_F(Examples, SimMissingRefusesTheSubscriber) {
    SimulatedService service(Example("sim-missing.json"));
    auto mbn = testing::InterfaceAt(0);
    ASSERT_TRUE(mbn);
    ComPtr<IMbnSubscriberInformation> subscriber;
    EXPECT_EQ(mbn->GetSubscriberInformation(subscriber.Put()), E_MBN_SIM_NOT_INSERTED);
    MBN_READY_STATE ready{};
    ASSERT_EQ(mbn->GetReadyState(&ready), S_OK);
    EXPECT_EQ(ready, MBN_READY_STATE_SIM_NOT_INSERTED);
}

TEST_F(Examples, EventsRegistersWithTheNetworkAfterThreeSeconds) {
    Scenario scenario = Example("events.json");
    ASSERT_EQ(scenario.events.size(), 1u);
    const Event& event = scenario.events[0];
    EXPECT_EQ(event.kind, EventKind::RegisterStateChange);
    EXPECT_EQ(event.afterMs, 3000u);
    auto stateOf = [](const Scenario& s) {
        return s.interfaces.value.items.at(0).value.registration.value.registerState.value;
    };
    EXPECT_EQ(stateOf(scenario), MBN_REGISTER_STATE_SEARCHING);
    auto after = PatchedStates(scenario.document).After(event);
    ASSERT_NE(after, nullptr);
    EXPECT_EQ(stateOf(*after), MBN_REGISTER_STATE_HOME);
}

}  // namespace
}  // namespace paravue::simulated

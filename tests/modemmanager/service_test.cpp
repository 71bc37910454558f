#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "service_fixture.h"
// After the boundary's headers: glib makes TRUE and FALSE macros.
#include <gio/gio.h>

using paravue::ComPtr;
using paravue::OwnedRecord;
using paravue::UniqueBstr;
using paravue::UniqueSafeArray;

namespace {

constexpr HRESULT kServiceNotActive = MakeHresult(0x80070426);
constexpr HRESULT kNotFound = MakeHresult(0x80070490);
constexpr HRESULT kNotSupported = MakeHresult(0x80070032);
constexpr HRESULT kTimeout = MakeHresult(0x800705B4);

std::u16string Text(const UniqueBstr& text) {
    return std::u16string(text.View());
}

std::vector<std::u16string> Strings(SAFEARRAY* array) {
    std::vector<std::u16string> out;
    LONG upper = -1;
    SafeArrayGetUBound(array, 1, &upper);
    for (LONG i = 0; i <= upper; ++i) {
        UniqueBstr text;
        SafeArrayGetElement(array, &i, text.Put());
        out.push_back(Text(text));
    }
    return out;
}

template <class Record>
using Owned = std::vector<std::unique_ptr<OwnedRecord<Record>>>;

// The array's records; `owner` keeps their strings alive.
template <class Record>
std::vector<Record> Records(SAFEARRAY* array, Owned<Record>& owner) {
    std::vector<Record> out;
    LONG upper = -1;
    SafeArrayGetUBound(array, 1, &upper);
    for (LONG i = 0; i <= upper; ++i) {
        owner.push_back(std::make_unique<OwnedRecord<Record>>());
        SafeArrayGetElement(array, &i, owner.back()->Put());
        out.push_back(**owner.back());
    }
    return out;
}

TEST_F(ServiceTest, FullModemAnswersEveryQuery) {
    ASSERT_TRUE(daemon_.Start());
    ASSERT_TRUE(daemon_.AddModem(0, g_variant_new_parsed("{'voice': <true>}")));
    ComPtr<IMbnInterface> modem = FirstInterface();
    ASSERT_TRUE(modem);

    UniqueBstr id;
    ASSERT_EQ(modem->get_InterfaceID(id.Put()), S_OK);
    EXPECT_EQ(Text(id), u"wwan0");

    OwnedRecord<MBN_INTERFACE_CAPS> caps;
    ASSERT_EQ(modem->GetInterfaceCapability(caps.Put()), S_OK);
    EXPECT_EQ(caps->cellularClass, MBN_CELLULAR_CLASS_GSM);
    EXPECT_EQ(caps->voiceClass, MBN_VOICE_CLASS_SEPARATE_VOICE_DATA);
    EXPECT_EQ(caps->dataClass, 0x3Fu);  // 2G, 3G and 4G supported
    EXPECT_EQ(paravue::BstrView(caps->deviceID), u"861234567890123");
    EXPECT_EQ(paravue::BstrView(caps->firmwareInfo), u"EM12GPAR01A21M4G");

    ComPtr<IMbnSubscriberInformation> subscriber;
    ASSERT_EQ(modem->GetSubscriberInformation(subscriber.Put()), S_OK);
    UniqueBstr imsi, iccid;
    UniqueSafeArray numbers;
    ASSERT_EQ(subscriber->get_SubscriberID(imsi.Put()), S_OK);
    ASSERT_EQ(subscriber->get_SimIccID(iccid.Put()), S_OK);
    ASSERT_EQ(subscriber->get_TelephoneNumbers(numbers.Put()), S_OK);
    EXPECT_EQ(Text(imsi), u"310260123456789");
    EXPECT_EQ(Text(iccid), u"8901260123456789012");
    EXPECT_EQ(Strings(numbers.Get()), std::vector<std::u16string>{u"+15551230001"});

    ComPtr<IMbnSignal> signal;
    ASSERT_EQ(modem.As(&signal), S_OK);
    ULONG strength = 0, error = 0;
    ASSERT_EQ(signal->GetSignalStrength(&strength), S_OK);
    ASSERT_EQ(signal->GetSignalError(&error), S_OK);
    EXPECT_EQ(strength, 18u);  // 58 % of 31
    EXPECT_EQ(error, 99u);

    ComPtr<IMbnRegistration> registration;
    ASSERT_EQ(modem.As(&registration), S_OK);
    MBN_REGISTER_STATE state{};
    ULONG current = 0;
    UniqueBstr provider;
    ASSERT_EQ(registration->GetRegisterState(&state), S_OK);
    ASSERT_EQ(registration->GetCurrentDataClass(&current), S_OK);
    ASSERT_EQ(registration->GetProviderID(provider.Put()), S_OK);
    EXPECT_EQ(state, MBN_REGISTER_STATE_HOME);
    EXPECT_EQ(current, static_cast<ULONG>(MBN_DATA_CLASS_LTE));
    EXPECT_EQ(Text(provider), u"310260");

    ComPtr<IMbnConnectionContext> contexts;
    ASSERT_EQ(modem.As(&contexts), S_OK);
    UniqueSafeArray list;
    ASSERT_EQ(contexts->GetProvisionedContexts(list.Put()), S_OK);
    Owned<MBN_CONTEXT> owner;
    auto records = Records(list.Get(), owner);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].contextID, 1u);
    EXPECT_EQ(records[0].contextType, MBN_CONTEXT_TYPE_INTERNET);
    EXPECT_EQ(paravue::BstrView(records[0].accessString), u"fast.example.com");
    EXPECT_EQ(records[0].authType, MBN_AUTH_PROTOCOL_NONE);
    EXPECT_EQ(records[1].contextID, 3u);
    EXPECT_EQ(records[1].contextType, MBN_CONTEXT_TYPE_VOICE);
    EXPECT_EQ(records[1].authType, MBN_AUTH_PROTOCOL_CHAP);

    OwnedRecord<MBN_PROVIDER> home;
    ASSERT_EQ(modem->GetHomeProvider(home.Put()), S_OK);
    EXPECT_EQ(home->providerState,
              static_cast<ULONG>(MBN_PROVIDER_STATE_HOME | MBN_PROVIDER_STATE_VISIBLE |
                                 MBN_PROVIDER_STATE_REGISTERED));

    UniqueSafeArray preferred;
    ASSERT_EQ(modem->GetPreferredProviders(preferred.Put()), S_OK);
    Owned<MBN_PROVIDER> providerOwner;
    auto providers = Records(preferred.Get(), providerOwner);
    ASSERT_EQ(providers.size(), 2u);
    EXPECT_EQ(providers[0].providerState,
              static_cast<ULONG>(MBN_PROVIDER_STATE_PREFERRED | MBN_PROVIDER_STATE_HOME));
    EXPECT_EQ(providers[1].providerState, static_cast<ULONG>(MBN_PROVIDER_STATE_PREFERRED));
    EXPECT_EQ(providers[1].dataClass, static_cast<ULONG>(MBN_DATA_CLASS_UMTS | MBN_DATA_CLASS_LTE));

    ComPtr<IMbnConnection> connection;
    ASSERT_EQ(modem->GetConnection(connection.Put()), S_OK);
    MBN_ACTIVATION_STATE activation{};
    UniqueBstr profile, connectionId;
    ASSERT_EQ(connection->GetConnectionState(&activation, profile.Put()), S_OK);
    ASSERT_EQ(connection->get_ConnectionID(connectionId.Put()), S_OK);
    EXPECT_EQ(activation, MBN_ACTIVATION_STATE_ACTIVATED);
    EXPECT_EQ(Text(profile), u"internet");
    EXPECT_EQ(Text(connectionId), u"wwan0");
}

TEST_F(ServiceTest, ContextsComeFromBearersWithoutAProfileList) {
    ASSERT_TRUE(daemon_.Start());
    ASSERT_TRUE(
        daemon_.AddModem(0, g_variant_new_parsed("{'profiles': <false>, 'bearers': <uint32 2>,"
                                                 " 'bearer-connected': <false>}")));
    ComPtr<IMbnInterface> modem = FirstInterface();
    ASSERT_TRUE(modem);
    ComPtr<IMbnConnectionContext> contexts;
    ASSERT_EQ(modem.As(&contexts), S_OK);
    UniqueSafeArray list;
    ASSERT_EQ(contexts->GetProvisionedContexts(list.Put()), S_OK);
    Owned<MBN_CONTEXT> owner;
    auto records = Records(list.Get(), owner);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].contextID, 1u);  // bearers are numbered, not identified
    EXPECT_EQ(records[1].contextID, 2u);
    EXPECT_EQ(paravue::BstrView(records[1].userName), u"ims-user");

    ComPtr<IMbnConnection> connection;
    ASSERT_EQ(modem->GetConnection(connection.Put()), S_OK);
    MBN_ACTIVATION_STATE activation{};
    UniqueBstr profile;
    ASSERT_EQ(connection->GetConnectionState(&activation, profile.Put()), S_OK);
    EXPECT_EQ(activation, MBN_ACTIVATION_STATE_DEACTIVATED);
}

TEST_F(ServiceTest, MissingSimFailsSimQueriesOnly) {
    ASSERT_TRUE(daemon_.Start());
    ASSERT_TRUE(daemon_.AddModem(0, g_variant_new_parsed("{'sim': <false>}")));
    ComPtr<IMbnInterface> modem = FirstInterface();
    ASSERT_TRUE(modem);
    ComPtr<IMbnSubscriberInformation> subscriber;
    EXPECT_EQ(modem->GetSubscriberInformation(subscriber.Put()), E_MBN_SIM_NOT_INSERTED);
    EXPECT_FALSE(subscriber);
    OwnedRecord<MBN_PROVIDER> home;
    EXPECT_EQ(modem->GetHomeProvider(home.Put()), E_MBN_SIM_NOT_INSERTED);
    UniqueSafeArray preferred;
    EXPECT_EQ(modem->GetPreferredProviders(preferred.Put()), E_MBN_SIM_NOT_INSERTED);
    MBN_READY_STATE ready{};
    EXPECT_EQ(modem->GetReadyState(&ready), S_OK);
}

TEST_F(ServiceTest, LockedSimReadsAsLockedOrBlocked) {
    ASSERT_TRUE(daemon_.Start());
    ASSERT_TRUE(daemon_.AddModem(
        0,
        g_variant_new_parsed("{'modem': <{'State': <int32 2>, 'UnlockRequired': <uint32 2>}>}")));
    ASSERT_TRUE(daemon_.AddModem(
        1,
        g_variant_new_parsed("{'modem': <{'State': <int32 2>, 'UnlockRequired': <uint32 4>}>}")));
    std::vector<ComPtr<IMbnInterface>> modems;
    ASSERT_EQ(Interfaces(&modems), S_OK);
    ASSERT_EQ(modems.size(), 2u);
    MBN_READY_STATE pin{}, puk{};
    ASSERT_EQ(modems[0]->GetReadyState(&pin), S_OK);
    ASSERT_EQ(modems[1]->GetReadyState(&puk), S_OK);
    EXPECT_EQ(pin, MBN_READY_STATE_DEVICE_LOCKED);
    EXPECT_EQ(puk, MBN_READY_STATE_DEVICE_BLOCKED);
}

TEST_F(ServiceTest, SimWithoutPreferredNetworksIsNotSupported) {
    ASSERT_TRUE(daemon_.Start());
    ASSERT_TRUE(daemon_.AddModem(0, g_variant_new_parsed("{'preferred-networks': <false>}")));
    ComPtr<IMbnInterface> modem = FirstInterface();
    ASSERT_TRUE(modem);
    UniqueSafeArray preferred;
    EXPECT_EQ(modem->GetPreferredProviders(preferred.Put()), kNotSupported);
}

TEST_F(ServiceTest, ModemWithoutRegistrationInterfaceRefusesTheQuery) {
    ASSERT_TRUE(daemon_.Start());
    ASSERT_TRUE(daemon_.AddModem(0, g_variant_new_parsed("{'gpp': <false>}")));
    ComPtr<IMbnInterface> modem = FirstInterface();
    ASSERT_TRUE(modem);
    ComPtr<IMbnRegistration> registration;
    EXPECT_EQ(modem.As(&registration), E_NOINTERFACE);
    EXPECT_FALSE(registration);
}

TEST_F(ServiceTest, ModemsAreListedInObjectPathNumberOrder) {
    ASSERT_TRUE(daemon_.Start());
    ASSERT_TRUE(daemon_.AddModem(10, g_variant_new_parsed("{'modem': <{'Ports': <@a(su) []>,"
                                                          " 'DeviceIdentifier': <'ten'>}>}")));
    ASSERT_TRUE(daemon_.AddModem(2, g_variant_new_parsed("{'modem': <{'Ports': <@a(su) []>,"
                                                         " 'DeviceIdentifier': <'two'>}>}")));
    std::vector<ComPtr<IMbnInterface>> modems;
    ASSERT_EQ(Interfaces(&modems), S_OK);
    ASSERT_EQ(modems.size(), 2u);
    UniqueBstr first, second;
    modems[0]->get_InterfaceID(first.Put());
    modems[1]->get_InterfaceID(second.Put());
    // Without a network port the device identifier names the interface.
    EXPECT_EQ(Text(first), u"two");
    EXPECT_EQ(Text(second), u"ten");
}

TEST_F(ServiceTest, DaemonPresenceDecidesWhatListingSays) {
    std::vector<ComPtr<IMbnInterface>> modems;
    EXPECT_EQ(Interfaces(&modems), kServiceNotActive);  // nobody owns the name
    ASSERT_TRUE(daemon_.Start());
    EXPECT_EQ(Interfaces(&modems), kNotFound);  // owned, but no modem
    ASSERT_TRUE(daemon_.AddModem(0));
    EXPECT_EQ(Interfaces(&modems), S_OK);
    EXPECT_EQ(modems.size(), 1u);
    modems.clear();
    ASSERT_TRUE(daemon_.Call("RemoveModem", g_variant_new("(u)", 0u)));
    EXPECT_EQ(Interfaces(&modems), kNotFound);  // removed between two runs
}

// No bus at the address, and a socket that accepts the connection but never
// answers it: both fail the manager's creation, the second within the bound.
TEST_F(ServiceTest, UnreachableOrSilentBusFailsManagerCreation) {
    std::string saved = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
    char directory[] = "/tmp/paravue-silent-bus-XXXXXX";
    ASSERT_TRUE(mkdtemp(directory));
    const std::string path = std::string(directory) + "/socket";
    int silent = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    ASSERT_EQ(bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(silent, 4), 0);  // never accepted: authentication waits forever

    for (const std::string& bus :
         {std::string("unix:path=/nonexistent/paravue-bus"), "unix:path=" + path}) {
        setenv("DBUS_SYSTEM_BUS_ADDRESS", bus.c_str(), 1);
        ComPtr<IMbnInterfaceManager> manager;
        EXPECT_EQ(CreateManager(&manager), CO_E_SERVER_EXEC_FAILURE) << bus;
        EXPECT_FALSE(manager);
    }
    setenv("DBUS_SYSTEM_BUS_ADDRESS", saved.c_str(), 1);
    close(silent);
    unlink(path.c_str());
    rmdir(directory);
}

// The first modem's reads leave with the listing, so a daemon that goes
// after it may or may not have answered them; the second modem's leave when
// the report first asks for one of them.
TEST_F(ServiceTest, DaemonDyingDuringARunCostsOneFailure) {
    ASSERT_TRUE(daemon_.Start());
    ASSERT_TRUE(daemon_.AddModem(0));
    ASSERT_TRUE(daemon_.AddModem(1));
    std::vector<ComPtr<IMbnInterface>> modems;
    ASSERT_EQ(Interfaces(&modems), S_OK);
    ASSERT_EQ(modems.size(), 2u);
    ComPtr<IMbnInterface> modem = modems[1];
    daemon_.Kill();
    ComPtr<IMbnSubscriberInformation> subscriber;
    EXPECT_EQ(modem->GetSubscriberInformation(subscriber.Put()), kServiceNotActive);
}

TEST_F(ServiceTest, DaemonThatStopsAnsweringTimesOutWithinTheBound) {
    ASSERT_TRUE(daemon_.Start());
    ASSERT_TRUE(daemon_.AddModem(0));
    ASSERT_TRUE(daemon_.AddModem(1));
    std::vector<ComPtr<IMbnInterface>> modems;
    ASSERT_EQ(Interfaces(&modems), S_OK);
    ASSERT_EQ(modems.size(), 2u);
    ComPtr<IMbnInterface> modem = modems[1];
    daemon_.Freeze();
    ComPtr<IMbnSubscriberInformation> subscriber;
    EXPECT_EQ(modem->GetSubscriberInformation(subscriber.Put()), kTimeout);
    // The profile list went out with the SIM's read and timed out with it.
    ComPtr<IMbnConnectionContext> contexts;
    ASSERT_EQ(modem.As(&contexts), S_OK);
    UniqueSafeArray list;
    EXPECT_EQ(contexts->GetProvisionedContexts(list.Put()), kTimeout);
    // A new run against the frozen daemon fails too, instead of hanging.
    EXPECT_EQ(Interfaces(&modems), kTimeout);
    daemon_.Thaw();
}

// A modem's reads leave together, yet each keeps its own outcome; the
// contexts come from the bearers only when the daemon or the bus declines
// the profile list, and any other failure of the list is the contexts'.
TEST_F(ServiceTest, EachReadKeepsItsOwnOutcomeAndOnlyARefusedListFallsBack) {
    const std::string mm = "org.freedesktop.ModemManager1.Error.";
    struct Case {
        const char* name;
        unsigned index;  // the mock's modem 9 has the SIM the bus's policy denies
        std::string options;
        HRESULT subscriber;
        HRESULT contexts;
        std::size_t contextCount;  // the list's 2 profiles, or the 1 bearer
    } cases[] = {
        {"list past the bound, the SIM in time", 0, "{'list-delay': <2.5>}", S_OK, kTimeout, 0},
        {"the modem did not answer the daemon", 1,
         "{'list-error': <'" + mm + "Serial.ResponseTimeout'>}", S_OK, kTimeout, 0},
        {"the daemon failed", 2, "{'list-error': <'" + mm + "Core.Failed'>}", S_OK, E_MBN_FAILURE,
         0},
        {"the port carries the connection", 3, "{'list-error': <'" + mm + "Core.Connected'>}", S_OK,
         S_OK, 1},
        {"the bus denies the SIM's read", 9, "@a{sv} {}", E_ACCESSDENIED, S_OK, 2},
    };
    ASSERT_TRUE(daemon_.Start());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(daemon_.AddModem(c.index, g_variant_new_parsed(c.options.c_str())));
        {
            ComPtr<IMbnInterface> modem = FirstInterface();
            ASSERT_TRUE(modem);
            ComPtr<IMbnSubscriberInformation> subscriber;
            EXPECT_EQ(modem->GetSubscriberInformation(subscriber.Put()), c.subscriber);
            ComPtr<IMbnConnectionContext> contexts;
            ASSERT_EQ(modem.As(&contexts), S_OK);
            UniqueSafeArray list;
            EXPECT_EQ(contexts->GetProvisionedContexts(list.Put()), c.contexts);
            LONG upper = -1;
            if (list)
                SafeArrayGetUBound(list.Get(), 1, &upper);
            EXPECT_EQ(static_cast<std::size_t>(upper + 1), c.contextCount);
        }
        ASSERT_TRUE(daemon_.Call("RemoveModem", g_variant_new("(u)", c.index)));
    }
}

// A run's managers share what the run read; the next run reads again.
TEST_F(ServiceTest, ConnectionManagerJoinsTheRunInProgress) {
    ASSERT_TRUE(daemon_.Start());
    ASSERT_TRUE(daemon_.AddModem(0));
    auto connections = [] {
        ComPtr<IMbnConnectionManager> manager;
        UniqueSafeArray list;
        LONG upper = -2;
        if (SUCCEEDED(CoCreateInstance(CLSID_MbnConnectionManager, nullptr, CLSCTX_ALL,
                                       IID_IMbnConnectionManager, manager.PutVoid())) &&
            SUCCEEDED(manager->GetConnections(list.Put())))
            SafeArrayGetUBound(list.Get(), 1, &upper);
        return upper + 1;
    };
    ComPtr<IMbnInterfaceManager> run;
    ASSERT_EQ(CreateManager(&run), S_OK);
    UniqueSafeArray listed;
    ASSERT_EQ(run->GetInterfaces(listed.Put()), S_OK);  // the run reads the daemon now
    ASSERT_TRUE(daemon_.AddModem(1));
    EXPECT_EQ(connections(), 1);  // the run read before the second modem came
    listed.Reset();
    run = nullptr;
    EXPECT_EQ(connections(), 2);  // no run in progress: a fresh read
    ASSERT_EQ(CreateManager(&run), S_OK);
    EXPECT_EQ(connections(), 2);
}

TEST_F(ServiceTest, ConnectionManagerListsOneConnectionPerModem) {
    ASSERT_TRUE(daemon_.Start());
    ASSERT_TRUE(daemon_.AddModem(0));
    ASSERT_TRUE(daemon_.AddModem(1, g_variant_new_parsed("{'bearers': <uint32 0>}")));
    ComPtr<IMbnConnectionManager> manager;
    ASSERT_EQ(CoCreateInstance(CLSID_MbnConnectionManager, nullptr, CLSCTX_ALL,
                               IID_IMbnConnectionManager, manager.PutVoid()),
              S_OK);
    UniqueSafeArray list;
    ASSERT_EQ(manager->GetConnections(list.Put()), S_OK);
    LONG upper = -1;
    ASSERT_EQ(SafeArrayGetUBound(list.Get(), 1, &upper), S_OK);
    ASSERT_EQ(upper, 1);
    LONG second = 1;
    ComPtr<IMbnConnection> connection;
    ASSERT_EQ(SafeArrayGetElement(list.Get(), &second, connection.PutVoid()), S_OK);
    MBN_ACTIVATION_STATE activation{};
    UniqueBstr profile;
    ASSERT_EQ(connection->GetConnectionState(&activation, profile.Put()), S_OK);
    EXPECT_EQ(activation, MBN_ACTIVATION_STATE_DEACTIVATED);  // idle: no bearer at all
}

}  // namespace

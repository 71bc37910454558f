// Saved connections as NetworkManager's GetSettings hands them out, to the
// profile document and to the modems they may serve.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/modemmanager/nm_profile_mapping.h"

namespace mm = paravue::mm;

namespace {

const mm::ModemTarget kModem{
    "4a1c9e2f0d7b", "8901260123456789012", "310260123456789", "310260", {"cdc-wdm0", "wwan0"}};
const mm::ModemTarget kNoSim{"4a1c9e2f0d7b", "", "", "", {"cdc-wdm0", "wwan0"}};

const std::string kHead =
    "<MBNProfile xmlns=\"http://www.microsoft.com/networking/WWAN/profile/v1\">";
const std::string kSim =
    "<SubscriberID>310260123456789</SubscriberID><SimIccID>8901260123456789012</SimIccID>";

struct Case {
    const char* what;
    const char* settings;  // GVariant text of a{sa{sv}}
    const mm::ModemTarget& modem;
    bool applies;
    std::string xml;  // empty: only whether it applies is checked
};

// The document for a connection with the given middle part and context.
std::string Document(const std::string& head, const std::string& context) {
    return kHead + head + "<Context>" + context + "</Context></MBNProfile>";
}

const Case kCases[] = {
    {"defaults: autoconnect left out means on, no ppp means no authentication",
     "{'connection': {'id': <'Home'>, 'type': <'gsm'>}, 'gsm': {'apn': <'internet'>}}", kModem,
     true,
     Document("<Name>Home</Name><IsDefault>true</IsDefault>" + kSim +
                  "<ConnectionMode>auto</ConnectionMode>",
              "<AccessString>internet</AccessString><Compression>DISABLE</Compression>"
              "<AuthProtocol>NONE</AuthProtocol>")},
    {"manual, with a user, the password never shown, MSCHAPv2 refused gives CHAP",
     "{'connection': {'id': <'Work'>, 'type': <'gsm'>, 'autoconnect': <false>},"
     " 'gsm': {'apn': <'corp'>, 'username': <'ann'>, 'password': <'s3cret'>},"
     " 'ppp': {'refuse-mschapv2': <true>, 'refuse-eap': <true>}}",
     kNoSim, true,
     Document(
         "<Name>Work</Name><IsDefault>false</IsDefault><ConnectionMode>manual</ConnectionMode>",
         "<AccessString>corp</AccessString><UserLogonCred><UserName>ann</UserName>"
         "</UserLogonCred><Compression>DISABLE</Compression><AuthProtocol>CHAP</AuthProtocol>")},
    {"a ppp setting refusing nothing allows the strongest",
     "{'connection': {'id': <'A'>, 'type': <'gsm'>}, 'gsm': {}, 'ppp': {}}", kNoSim, true,
     Document("<Name>A</Name><IsDefault>true</IsDefault><ConnectionMode>auto</ConnectionMode>",
              "<AccessString></AccessString><Compression>DISABLE</Compression>"
              "<AuthProtocol>MSCHAPv2</AuthProtocol>")},
    {"only PAP left",
     "{'connection': {'id': <'A'>, 'type': <'gsm'>}, 'gsm': {},"
     " 'ppp': {'refuse-mschapv2': <true>, 'refuse-chap': <true>, 'refuse-mschap': <true>}}",
     kNoSim, true,
     Document("<Name>A</Name><IsDefault>true</IsDefault><ConnectionMode>auto</ConnectionMode>",
              "<AccessString></AccessString><Compression>DISABLE</Compression>"
              "<AuthProtocol>PAP</AuthProtocol>")},
    {"everything refused",
     "{'connection': {'id': <'A'>, 'type': <'gsm'>}, 'gsm': {},"
     " 'ppp': {'refuse-mschapv2': <true>, 'refuse-chap': <true>, 'refuse-pap': <true>}}",
     kNoSim, true,
     Document("<Name>A</Name><IsDefault>true</IsDefault><ConnectionMode>auto</ConnectionMode>",
              "<AccessString></AccessString><Compression>DISABLE</Compression>"
              "<AuthProtocol>NONE</AuthProtocol>")},
    {"markup escaped, line breaks as references, characters XML cannot hold left out",
     "{'connection': {'id': <'A&B <\"x\"> \\'y\\''>, 'type': <'gsm'>},"
     " 'gsm': {'apn': <'a\\nb\\rc\\td\\u0001e\\uffff\\ufffef'>}}",
     kNoSim, true,
     Document("<Name>A&amp;B &lt;&quot;x&quot;&gt; &apos;y&apos;</Name><IsDefault>true</IsDefault>"
              "<ConnectionMode>auto</ConnectionMode>",
              "<AccessString>a&#10;b&#13;c\td"
              "e"
              "f</AccessString><Compression>DISABLE"
              "</Compression><AuthProtocol>NONE</AuthProtocol>")},
    {"a value of the wrong type reads as unset",
     "{'connection': {'id': <'A'>, 'type': <'gsm'>, 'autoconnect': <'no'>},"
     " 'gsm': {'apn': <uint32 7>}}",
     kNoSim, true,
     Document("<Name>A</Name><IsDefault>true</IsDefault><ConnectionMode>auto</ConnectionMode>",
              "<AccessString></AccessString><Compression>DISABLE</Compression>"
              "<AuthProtocol>NONE</AuthProtocol>")},

    {"every restriction matching",
     "{'connection': {'id': <'A'>, 'type': <'gsm'>, 'interface-name': <'cdc-wdm0'>},"
     " 'gsm': {'device-id': <'4a1c9e2f0d7b'>, 'sim-id': <'8901260123456789012'>,"
     " 'sim-operator-id': <'310260'>}}",
     kModem, true, ""},
    {"the net port is a port of the modem too",
     "{'connection': {'id': <'A'>, 'type': <'gsm'>, 'interface-name': <'wwan0'>}, 'gsm': {}}",
     kModem, true, ""},
    {"another port",
     "{'connection': {'id': <'A'>, 'type': <'gsm'>, 'interface-name': <'ttyUSB2'>}, 'gsm': {}}",
     kModem, false, ""},
    {"another device",
     "{'connection': {'id': <'A'>, 'type': <'gsm'>}, 'gsm': {'device-id': <'ffff'>}}", kModem,
     false, ""},
    {"another SIM", "{'connection': {'id': <'A'>, 'type': <'gsm'>}, 'gsm': {'sim-id': <'8901'>}}",
     kModem, false, ""},
    {"another operator, the other restrictions matching",
     "{'connection': {'id': <'A'>, 'type': <'gsm'>}, 'gsm': {'device-id': <'4a1c9e2f0d7b'>,"
     " 'sim-id': <'8901260123456789012'>, 'sim-operator-id': <'310410'>}}",
     kModem, false, ""},
    {"restricted to a SIM, modem without one",
     "{'connection': {'id': <'A'>, 'type': <'gsm'>}, 'gsm': {'sim-id': <'8901260123456789012'>}}",
     kNoSim, false, ""},
    {"an empty restriction is no restriction",
     "{'connection': {'id': <'A'>, 'type': <'gsm'>, 'interface-name': <''>},"
     " 'gsm': {'sim-id': <''>}}",
     kNoSim, true, ""},
};

TEST(NmProfileMapping, SettingsToDocumentAndModems) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        GVariant* settings = g_variant_ref_sink(g_variant_new_parsed(c.settings));
        std::optional<mm::GsmConnection> connection = mm::GsmConnectionFromSettings(settings);
        g_variant_unref(settings);
        ASSERT_TRUE(connection.has_value());
        EXPECT_EQ(mm::AppliesTo(*connection, c.modem), c.applies);
        if (!c.xml.empty()) {
            EXPECT_EQ(mm::ProfileXml(*connection, c.modem), c.xml);
        }
    }
}

TEST(NmProfileMapping, OnlyGsmConnectionsAreProfiles) {
    for (const char* text : {
             "{'connection': {'id': <'Cafe'>, 'type': <'802-11-wireless'>},"
             " '802-11-wireless': {'ssid': <b'cafe'>}}",
             "{'connection': {'id': <'Modem'>, 'type': <'cdma'>}, 'cdma': {}}",
             "{'connection': {'id': <'Odd'>, 'type': <'802-3-ethernet'>}, 'gsm': {}}",
         }) {
        SCOPED_TRACE(text);
        GVariant* settings = g_variant_ref_sink(g_variant_new_parsed(text));
        EXPECT_FALSE(mm::GsmConnectionFromSettings(settings).has_value());
        g_variant_unref(settings);
    }
}

}  // namespace

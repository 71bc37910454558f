#include "platform/modemmanager/nm_profile_mapping.h"

#include <algorithm>
#include <iterator>
#include <string_view>

#include "platform/modemmanager/glib_handles.h"

namespace paravue::mm {
namespace {

// One setting of the connection (a{sv}); null when it has none.
GVariant* Setting(GVariant* settings, const char* name) {
    return g_variant_lookup_value(settings, name, G_VARIANT_TYPE_VARDICT);
}

std::string StringIn(GVariant* setting, const char* key) {
    const gchar* value = nullptr;
    return setting && g_variant_lookup(setting, key, "&s", &value) ? value : "";
}

bool BooleanIn(GVariant* setting, const char* key, bool fallback) {
    gboolean value = FALSE;
    return setting && g_variant_lookup(setting, key, "b", &value) ? value != FALSE : fallback;
}

struct Reference {
    char character;
    const char* text;
};
// Markup characters, and the line breaks that would split the report line.
constexpr Reference kReferences[] = {{'&', "&amp;"},  {'<', "&lt;"},    {'>', "&gt;"},
                                     {'"', "&quot;"}, {'\'', "&apos;"}, {'\n', "&#10;"},
                                     {'\r', "&#13;"}};

// Text as XML 1.0 can hold it on one line; characters outside XML's set
// are left out.
void AppendText(std::string& out, std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const Reference* reference = std::ranges::find(kReferences, c, &Reference::character);
        if (reference != std::end(kReferences)) {
            out += reference->text;
            continue;
        }
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 && c != '\t')
            continue;
        // U+FFFE and U+FFFF, EF BF BE/BF in UTF-8, are not characters to XML.
        if (byte == 0xEF && text.substr(i + 1, 1) == "\xBF" && i + 2 < text.size() &&
            (static_cast<unsigned char>(text[i + 2]) & 0xFE) == 0xBE) {
            i += 2;
            continue;
        }
        out += c;
    }
}

void AppendElement(std::string& out, const char* name, std::string_view text) {
    out.append("<").append(name).append(">");
    AppendText(out, text);
    out.append("</").append(name).append(">");
}

const char* AuthProtocol(const std::optional<PppRefusals>& ppp) {
    if (!ppp)
        return "NONE";
    if (!ppp->mschapv2)
        return "MSCHAPv2";
    if (!ppp->chap)
        return "CHAP";
    if (!ppp->pap)
        return "PAP";
    return "NONE";
}

bool Matches(const std::string& restriction, const std::string& actual) {
    return restriction.empty() || restriction == actual;
}

}  // namespace

std::optional<GsmConnection> GsmConnectionFromSettings(GVariant* settings) {
    if (!settings || !g_variant_is_of_type(settings, G_VARIANT_TYPE("a{sa{sv}}")))
        return std::nullopt;
    GVariantPtr connection(Setting(settings, "connection"));
    GVariantPtr gsm(Setting(settings, "gsm"));
    if (!connection || !gsm || StringIn(connection.get(), "type") != "gsm")
        return std::nullopt;
    GsmConnection c;
    c.id = StringIn(connection.get(), "id");
    c.autoconnect = BooleanIn(connection.get(), "autoconnect", true);
    c.interfaceName = StringIn(connection.get(), "interface-name");
    c.apn = StringIn(gsm.get(), "apn");
    c.username = StringIn(gsm.get(), "username");
    c.deviceId = StringIn(gsm.get(), "device-id");
    c.simId = StringIn(gsm.get(), "sim-id");
    c.simOperatorId = StringIn(gsm.get(), "sim-operator-id");
    if (GVariantPtr ppp(Setting(settings, "ppp")); ppp) {
        c.ppp.emplace();
        c.ppp->pap = BooleanIn(ppp.get(), "refuse-pap", false);
        c.ppp->chap = BooleanIn(ppp.get(), "refuse-chap", false);
        c.ppp->mschapv2 = BooleanIn(ppp.get(), "refuse-mschapv2", false);
    }
    return c;
}

bool AppliesTo(const GsmConnection& connection, const ModemTarget& modem) {
    if (!connection.interfaceName.empty() &&
        std::find(modem.ports.begin(), modem.ports.end(), connection.interfaceName) ==
            modem.ports.end())
        return false;
    return Matches(connection.deviceId, modem.deviceId) &&
           Matches(connection.simId, modem.simIccId) &&
           Matches(connection.simOperatorId, modem.simOperatorId);
}

std::string ProfileXml(const GsmConnection& connection, const ModemTarget& modem) {
    std::string xml = "<MBNProfile xmlns=\"http://www.microsoft.com/networking/WWAN/profile/v1\">";
    AppendElement(xml, "Name", connection.id);
    AppendElement(xml, "IsDefault", connection.autoconnect ? "true" : "false");
    if (!modem.simImsi.empty())
        AppendElement(xml, "SubscriberID", modem.simImsi);
    if (!modem.simIccId.empty())
        AppendElement(xml, "SimIccID", modem.simIccId);
    AppendElement(xml, "ConnectionMode", connection.autoconnect ? "auto" : "manual");
    xml += "<Context>";
    AppendElement(xml, "AccessString", connection.apn);
    if (!connection.username.empty()) {
        xml += "<UserLogonCred>";
        AppendElement(xml, "UserName", connection.username);
        xml += "</UserLogonCred>";
    }
    AppendElement(xml, "Compression", "DISABLE");
    AppendElement(xml, "AuthProtocol", AuthProtocol(connection.ppp));
    xml += "</Context></MBNProfile>";
    return xml;
}

}  // namespace paravue::mm

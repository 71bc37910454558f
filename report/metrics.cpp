#include "report/metrics.h"

#include <charconv>
#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <set>
#include <vector>

#include "platform/bstr.h"
#include "platform/com.h"
#include "platform/mbn.h"
#include "platform/runtime.h"
#include "platform/safearray.h"
#include "platform/utf.h"
#include "report/enum_text.h"

namespace paravue {
namespace {

// What the families say, one entry each; every family is a gauge.
struct FamilyText {
    std::string_view name;
    std::string_view help;
};

constexpr FamilyText kServiceUp{
    "paravue_service_up",
    "1 when the mobile-broadband service could be asked for its modems, 0 when not."};
constexpr FamilyText kModems{"paravue_modems", "Modems the mobile-broadband service listed."};
constexpr FamilyText kModemInfo{
    "paravue_modem_info", "Identity of each modem; position is its place in the service's list."};
constexpr FamilyText kReadyState{"paravue_modem_ready_state",
                                 "Ready state of the modem: 1 for the current state."};
constexpr FamilyText kRegisterState{"paravue_modem_register_state",
                                    "Network registration state: 1 for the current state."};
constexpr FamilyText kActivationState{
    "paravue_modem_activation_state",
    "Activation state of the connection: 1 for the current state."};
constexpr FamilyText kSignal{"paravue_modem_signal_rssi_dbm",
                             "Received signal strength in dBm; absent while unknown."};
constexpr FamilyText kDataClass{
    "paravue_modem_data_class",
    "1 for each data class the modem offers (kind available) or uses now (kind current)."};
constexpr FamilyText kRadioOn{"paravue_modem_radio_on",
                              "1 when the radio switch (software or hardware) is on, 0 when off."};
constexpr FamilyText kEmergencyMode{"paravue_modem_emergency_mode",
                                    "1 when the modem is in emergency mode."};
constexpr FamilyText kProviderInfo{"paravue_modem_provider_info",
                                   "The network the modem is registered with."};
constexpr FamilyText kFactsOk{"paravue_modem_facts_ok",
                              "1 when every fact of the modem was read, 0 when one failed."};
constexpr FamilyText kFailureStatus{
    "paravue_modem_facts_failure_status",
    "Status of the modem's first failed read as an unsigned number, 0 when none failed."};
constexpr FamilyText kCollectDuration{"paravue_collect_duration_seconds",
                                      "How long reading every modem took."};
constexpr FamilyText kBuildInfo{"paravue_build_info", "Version of paravue-report."};

// The state series of a value the report's table does not name.
constexpr std::string_view kStateOutsideTable = "unknown";
// A list far beyond any machine's modems; bounds that claim more are not walked.
constexpr std::int64_t kMostModems = 256;

struct Identity {
    std::string manufacturer, model, firmware, deviceId;
};
struct Provider {
    std::string id, name;
};

// What one modem's reads gave; a fact that could not be read stays empty.
struct ModemFacts {
    std::string label;
    std::int64_t position = 0;
    std::optional<Identity> identity;
    std::optional<ULONG> signalStrength;
    std::optional<ULONG> availableClasses, currentClass;
    std::optional<Provider> provider;
    std::optional<MBN_REGISTER_STATE> registerState;
    std::optional<MBN_RADIO> softwareRadio, hardwareRadio;
    std::optional<MBN_READY_STATE> readyState;
    std::optional<bool> emergency;
    std::optional<MBN_ACTIVATION_STATE> activation;
    HRESULT firstFailure = S_OK;

    // Whether a read succeeded; the first failure is the one kept.
    bool Read(HRESULT status) {
        if (FAILED(status) && SUCCEEDED(firstFailure))
            firstFailure = status;
        return SUCCEEDED(status);
    }
};

struct Fleet {
    bool serviceUp = false;
    std::int64_t listed = 0;
    std::vector<ModemFacts> modems;
};

// Service text as the report prints it: up to its first NUL; null is empty.
std::string Utf8(BSTR text) {
    std::u16string_view view = BstrView(text);
    return Utf16ToUtf8(view.substr(0, view.find(u'\0')));
}

// The report's name of a state, lower case: "SIM_NOT_INSERTED" is "sim_not_inserted".
std::string StateName(std::u16string_view text) {
    std::string name = Utf16ToUtf8(text);
    for (char& c : name)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return name;
}
std::string StateName(report_format::Format<> line) {
    return StateName(ValueOf(line));
}

// The facts in the order the report reads them, each read even when an
// earlier one failed: one failure hides no other fact.
void ReadModem(const ComPtr<IMbnInterface>& modem, ModemFacts& facts) {
    OwnedRecord<MBN_INTERFACE_CAPS> caps;
    if (facts.Read(modem->GetInterfaceCapability(caps.Put())))
        facts.identity = Identity{Utf8(caps->manufacturer), Utf8(caps->model),
                                  Utf8(caps->firmwareInfo), Utf8(caps->deviceID)};

    ComPtr<IMbnSignal> signal;
    ULONG number = 0;
    if (facts.Read(modem.As(&signal)) && facts.Read(signal->GetSignalStrength(&number)))
        facts.signalStrength = number;

    ComPtr<IMbnRegistration> registration;
    if (facts.Read(modem.As(&registration))) {
        if (facts.Read(registration->GetAvailableDataClasses(&number)))
            facts.availableClasses = number;
        if (facts.Read(registration->GetCurrentDataClass(&number)))
            facts.currentClass = number;
        UniqueBstr id, name;
        if (facts.Read(registration->GetProviderID(id.Put())) &&
            facts.Read(registration->GetProviderName(name.Put())))
            facts.provider = Provider{Utf8(id.Get()), Utf8(name.Get())};
        MBN_REGISTER_STATE state = MBN_REGISTER_STATE_NONE;
        if (facts.Read(registration->GetRegisterState(&state)))
            facts.registerState = state;
    }

    ComPtr<IMbnRadio> radio;
    if (facts.Read(modem.As(&radio))) {
        MBN_RADIO state = MBN_RADIO_OFF;
        if (facts.Read(radio->get_SoftwareRadioState(&state)))
            facts.softwareRadio = state;
        state = MBN_RADIO_OFF;
        if (facts.Read(radio->get_HardwareRadioState(&state)))
            facts.hardwareRadio = state;
    }

    MBN_READY_STATE ready = MBN_READY_STATE_OFF;
    if (facts.Read(modem->GetReadyState(&ready)))
        facts.readyState = ready;
    VARIANT_BOOL emergency = VARIANT_FALSE;
    if (facts.Read(modem->InEmergencyMode(&emergency)))
        facts.emergency = emergency == VARIANT_TRUE;  // as the report: only all bits set

    ComPtr<IMbnConnection> connection;
    MBN_ACTIVATION_STATE activation = MBN_ACTIVATION_STATE_NONE;
    UniqueBstr profileName;
    if (facts.Read(modem->GetConnection(connection.Put())) &&
        facts.Read(connection->GetConnectionState(&activation, profileName.Put())))
        facts.activation = activation;
}

// A modem's series are named by its interface ID. One whose ID cannot be
// read or is empty is named by its position ("#2"); one whose ID repeats
// another's also carries its position: node_exporter
// refuses a whole file in which two series are the same.
bool NameModem(ModemFacts& facts, std::optional<std::string> id, std::set<std::string>& taken) {
    // Appended rather than "#" + number: GCC 12 at -O3 warns falsely
    // (-Wrestrict) about the prepend.
    std::string position(1, '#');
    position += std::to_string(facts.position);
    std::string label = id && !id->empty() ? *id : position;
    if (taken.count(label))
        label += position;
    if (!taken.insert(label).second)
        return false;
    facts.label = std::move(label);
    return true;
}

Fleet ReadFleet() {
    Fleet fleet;
    ComPtr<IMbnInterfaceManager> manager;
    if (FAILED(CoCreateInstance(CLSID_MbnInterfaceManager, nullptr, CLSCTX_ALL,
                                IID_IMbnInterfaceManager, manager.PutVoid())))
        return fleet;
    UniqueSafeArray interfaces;
    const HRESULT listed = manager->GetInterfaces(interfaces.Put());
    // The service answers, with no modem to list.
    if (listed == HRESULT_FROM_WIN32(ERROR_NOT_FOUND)) {
        fleet.serviceUp = true;
        return fleet;
    }
    LONG lower = 0, upper = 0;
    if (FAILED(listed) || FAILED(ArrayGetLBound(interfaces.Get(), 1, &lower)) ||
        FAILED(ArrayGetUBound(interfaces.Get(), 1, &upper)))
        return fleet;
    fleet.serviceUp = true;
    fleet.listed = std::max<std::int64_t>(0, std::int64_t{upper} - lower + 1);

    std::set<std::string> taken;
    for (std::int64_t position = 0; position < std::min(fleet.listed, kMostModems); ++position) {
        ModemFacts facts;
        facts.position = position;
        const LONG index = static_cast<LONG>(lower + position);
        ComPtr<IMbnInterface> modem;
        std::optional<std::string> id;
        if (facts.Read(ArrayGetElement(interfaces.Get(), &index, modem.PutVoid()))) {
            UniqueBstr interfaceId;
            if (facts.Read(modem->get_InterfaceID(interfaceId.Put())))
                id = Utf8(interfaceId.Get());
            ReadModem(modem, facts);
        }
        if (NameModem(facts, std::move(id), taken))
            fleet.modems.push_back(std::move(facts));
    }
    return fleet;
}

struct Label {
    std::string_view name;
    std::string_view value;
};

std::string Number(double value) {
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    return std::string(digits, result.ptr);
}

// The text, family by family: a family's HELP and TYPE come before its first
// sample, and a family without samples is left out.
class Exposition {
  public:
    void Family(const FamilyText& family) {
        family_ = &family;
        started_ = false;
    }
    void Sample(std::initializer_list<Label> labels, double value) {
        if (!started_) {
            text_.append("# HELP ").append(family_->name).append(" ").append(family_->help);
            text_.append("\n# TYPE ").append(family_->name).append(" gauge\n");
            started_ = true;
        }
        text_.append(family_->name);
        const char* separator = "{";
        for (const Label& label : labels) {
            text_.append(separator).append(label.name).append("=\"");
            text_.append(EscapedLabelValue(label.value)).append("\"");
            separator = ",";
        }
        if (labels.size() != 0)
            text_.append("}");
        text_.append(" ").append(Number(value)).append("\n");
    }
    std::string Take() { return std::move(text_); }

  private:
    const FamilyText* family_ = nullptr;
    bool started_ = false;
    std::string text_;
};

// One series per state of the report's table, 1 for the current one, and
// one for a value outside the table.
template <class Enum, class Text, std::size_t N>
void StateSamples(Exposition& out, const std::string& modem, const Named<Enum, Text> (&table)[N],
                  Enum value) {
    bool named = false;
    for (const Named<Enum, Text>& entry : table) {
        const bool current =
            static_cast<std::uint32_t>(entry.value) == static_cast<std::uint32_t>(value);
        named = named || current;
        out.Sample({{"modem", modem}, {"state", StateName(entry.text)}}, current);
    }
    out.Sample({{"modem", modem}, {"state", kStateOutsideTable}}, !named);
}

void DataClassSamples(Exposition& out, const std::string& modem, std::string_view kind,
                      ULONG classes) {
    for (const auto& [dataClass, line] : kDataClassLines)
        if (classes & dataClass)
            out.Sample({{"modem", modem}, {"class", StateName(line)}, {"kind", kind}}, 1);
}

void RadioSample(Exposition& out, const std::string& modem, std::string_view which,
                 std::optional<MBN_RADIO> state) {
    // Neither off nor on: the report writes no line, and there is no sample.
    if (state && (*state == MBN_RADIO_ON || *state == MBN_RADIO_OFF))
        out.Sample({{"modem", modem}, {"switch", which}}, *state == MBN_RADIO_ON);
}

// Only the identity labels name the modem's operator or technology: the state
// and signal series keep one label set however the network changes.
std::string Write(const Fleet& fleet, double seconds, std::string_view version) {
    Exposition out;
    out.Family(kServiceUp);
    out.Sample({}, fleet.serviceUp);
    out.Family(kModems);
    out.Sample({}, static_cast<double>(fleet.listed));

    out.Family(kModemInfo);
    for (const ModemFacts& m : fleet.modems) {
        const Identity identity = m.identity.value_or(Identity{});
        out.Sample({{"modem", m.label},
                    {"position", std::to_string(m.position)},
                    {"manufacturer", identity.manufacturer},
                    {"model", identity.model},
                    {"firmware", identity.firmware},
                    {"device_id", identity.deviceId}},
                   1);
    }
    out.Family(kReadyState);
    for (const ModemFacts& m : fleet.modems)
        if (m.readyState)
            StateSamples(out, m.label, kReadyStateLines, *m.readyState);
    out.Family(kRegisterState);
    for (const ModemFacts& m : fleet.modems)
        if (m.registerState)
            StateSamples(out, m.label, kRegisterStateLines, *m.registerState);
    out.Family(kActivationState);
    for (const ModemFacts& m : fleet.modems)
        if (m.activation)
            StateSamples(out, m.label, kActivationStates, *m.activation);

    out.Family(kSignal);
    for (const ModemFacts& m : fleet.modems)
        // An index 0-31 in steps of 2 dB from -113 dBm; 99 (or anything
        // else) means the strength is not known.
        if (m.signalStrength && *m.signalStrength <= 31)
            out.Sample({{"modem", m.label}}, -113.0 + 2.0 * *m.signalStrength);
    out.Family(kDataClass);
    for (const ModemFacts& m : fleet.modems) {
        if (m.availableClasses)
            DataClassSamples(out, m.label, "available", *m.availableClasses);
        if (m.currentClass)
            DataClassSamples(out, m.label, "current", *m.currentClass);
    }
    out.Family(kRadioOn);
    for (const ModemFacts& m : fleet.modems) {
        RadioSample(out, m.label, "software", m.softwareRadio);
        RadioSample(out, m.label, "hardware", m.hardwareRadio);
    }
    out.Family(kEmergencyMode);
    for (const ModemFacts& m : fleet.modems)
        if (m.emergency)
            out.Sample({{"modem", m.label}}, *m.emergency);
    out.Family(kProviderInfo);
    for (const ModemFacts& m : fleet.modems)
        if (m.provider && !(m.provider->id.empty() && m.provider->name.empty()))
            out.Sample({{"modem", m.label},
                        {"provider_id", m.provider->id},
                        {"provider_name", m.provider->name}},
                       1);

    out.Family(kFactsOk);
    for (const ModemFacts& m : fleet.modems)
        out.Sample({{"modem", m.label}}, SUCCEEDED(m.firstFailure));
    out.Family(kFailureStatus);
    for (const ModemFacts& m : fleet.modems)
        out.Sample({{"modem", m.label}},
                   FAILED(m.firstFailure) ? static_cast<std::uint32_t>(m.firstFailure) : 0);

    out.Family(kCollectDuration);
    out.Sample({}, seconds);
    out.Family(kBuildInfo);
    out.Sample({{"version", version}}, 1);
    return out.Take();
}

}  // namespace

std::string EscapedLabelValue(std::string_view value) {
    std::string escaped;
    escaped.reserve(value.size());
    for (char c : value) {
        if (c == '\\')
            escaped += "\\\\";
        else if (c == '"')
            escaped += "\\\"";
        else if (c == '\n')
            escaped += "\\n";
        else
            escaped += c;
    }
    return escaped;
}

std::string CollectMetrics(std::string_view version) {
    const auto start = std::chrono::steady_clock::now();
    const Fleet fleet = ReadFleet();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    return Write(fleet, took.count(), version);
}

}  // namespace paravue

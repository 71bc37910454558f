// Arbitrary bytes into a valid scenario, and a whole report run on it: the run
// leaves nothing alive and its text ends as a report must. Bytes that are a
// scenario already (the seeds: examples and golden cases) are used as they
// are; other bytes steer changes to a full device: any object may fail with a
// status, any number or string may change.
#include <fuzzer/FuzzedDataProvider.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "platform/accounting.h"
#include "platform/runtime.h"
#include "platform/simulated/scenario.h"
#include "platform/simulated/simulated_service.h"
#include "report/adapter_description.h"
#include "report/collect_report.h"
#include "report/report_text.h"

namespace {

using Json = nlohmann::json;
using paravue::simulated::Scenario;

constexpr const char* kFullDevice = R"({
  "interfaces": [{
    "interfaceId": "{IF-1}",
    "capabilities": {"cellularClass": 1, "voiceClass": 2, "dataClass": "0x8000003F",
                     "customDataClass": "NR", "deviceID": "3569", "manufacturer": "Maker",
                     "model": "M-1", "firmwareInfo": "1.0"},
    "subscriber": {"simIccId": "8944", "subscriberId": "2342", "telephoneNumbers": ["+44", "+45"]},
    "signal": {"error": 99, "strength": 21},
    "registration": {"availableDataClasses": "0x3F", "currentDataClass": 32,
                     "providerId": "23420", "providerName": "Net", "registerMode": 1,
                     "registerState": 3, "roamingText": "r"},
    "connectionContext": {"provisionedContexts": [
        {"contextID": 1, "contextType": 1, "accessString": "internet", "userName": "u",
         "password": "p", "compression": 0, "authType": 0}]},
    "radio": {"software": 1, "hardware": 1},
    "homeProvider": {"providerID": "23420", "providerState": 17, "providerName": "Net",
                     "dataClass": 63},
    "readyState": 1,
    "emergencyMode": false,
    "connection": {"connectionState": {"activationState": 1, "profileName": "Net"},
                   "connectionId": "Net"},
    "preferredProviders": [{"providerID": "1", "providerState": 12, "providerName": "B",
                            "dataClass": 4}],
    "connectionProfiles": ["<P/>", {"xml": "<Q/>"}]
  }],
  "connectionManager": {"connections": [{"connectionId": "Net"}]},
  "adapters": [{"name": "{if-1}", "description": "Adapter"}]
})";

const char* const kStatuses[] = {"0x0",        "0x1",        "0x80004005", "0x80004003",
                                 "0x8007000E", "0x80070490", "0x80070032", "0x80070426",
                                 "0x80004001", "0x80070057", "0x800704C7", "0x7FFFFFFF"};
const std::int64_t kNumbers[] = {0,           1, 2, 3, 5, 17, 63, 99, -1, 0x7FFFFFFF, -2147483648LL,
                                 4294967295LL};

void Steer(Json& node, FuzzedDataProvider& bytes) {
    if (bytes.remaining_bytes() == 0)
        return;
    if (node.is_object() || node.is_array()) {
        if (node.is_object() && bytes.ConsumeIntegralInRange(0, 7) == 0) {
            node = Json{{"hr", kStatuses[bytes.ConsumeIntegralInRange<std::size_t>(
                                   0, std::size(kStatuses) - 1)]}};
            return;
        }
        for (auto& child : node)
            Steer(child, bytes);
        return;
    }
    switch (bytes.ConsumeIntegralInRange(0, 3)) {
        case 0:
            break;
        case 1:
            node = kNumbers[bytes.ConsumeIntegralInRange<std::size_t>(0, std::size(kNumbers) - 1)];
            break;
        case 2:
            node = bytes.ConsumeRandomLengthString(40);
            break;
        default:
            node =
                kStatuses[bytes.ConsumeIntegralInRange<std::size_t>(0, std::size(kStatuses) - 1)];
            break;
    }
}

bool ToScenario(std::string_view text, const std::uint8_t* data, std::size_t size,
                Scenario* scenario) {
    try {
        *scenario = paravue::simulated::ParseScenario(text, "fuzz.json");
        return true;
    } catch (const paravue::simulated::ScenarioError&) {
    }
    FuzzedDataProvider bytes(data, size);
    Json device = Json::parse(kFullDevice);
    Steer(device, bytes);
    try {
        *scenario = paravue::simulated::ParseScenario(
            device.dump(-1, ' ', false, Json::error_handler_t::replace), "steered.json");
        return true;
    } catch (const paravue::simulated::ScenarioError&) {
        return false;  // a value out of its field's range
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    // Never the two-second waits of a lookup that finds no adapter.
    paravue::SetAdapterLookupSleep([](std::chrono::milliseconds) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Scenario scenario;
    if (!ToScenario(std::string_view(reinterpret_cast<const char*>(data), size), data, size,
                    &scenario))
        return -1;
    // The machine's own adapters are no part of the input.
    if (!scenario.adapters)
        scenario.adapters.emplace();
    scenario.events.clear();

    const paravue::LiveCounts before = paravue::CurrentLiveCounts();
    paravue::Report run;
    {
        paravue::simulated::SimulatedService service(std::move(scenario));
        run = paravue::CollectReport();
    }
    if (paravue::CurrentLiveCounts() != before)
        __builtin_trap();  // something of the run outlived it
    const std::u16string& report = run.text;
    // Every line ends with CR LF; a run that stops at a failed bounds query
    // writes none at all.
    if (!report.empty() && !report.ends_with(u"\r\n"))
        __builtin_trap();
    if (run.completed && !report.ends_with(u"Completed Successfully.\r\n"))
        __builtin_trap();
    return 0;
}

// How long one report run takes and how much text it builds, against the
// simulated service: the demo device, and devices with long lists (contexts,
// preferred providers, connections, profiles), to see that a run grows
// linearly with what the device lists.
#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <string>

#include "platform/runtime.h"
#include "platform/simulated/scenario.h"
#include "platform/simulated/simulated_service.h"
#include "report/collect_report.h"
#include "report/report_text.h"

namespace {

using paravue::simulated::ParseScenario;
using paravue::simulated::Scenario;
using paravue::simulated::SimulatedService;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A device that lists `n` of everything a report walks.
std::string DeviceWithLists(int n) {
    std::ostringstream json;
    json << R"({"interfaces": [{"interfaceId": "wwan0", "readyState": 1,)"
         << R"("capabilities": {"cellularClass": 1, "dataClass": 63, "model": "Bench"},)"
         << R"("radio": {"software": 1, "hardware": 1}, "subscriber": {"telephoneNumbers": [)";
    for (int i = 0; i < n; ++i)
        json << (i ? "," : "") << "\"+1555000" << i << '"';
    json << R"(]}, "connectionContext": {"provisionedContexts": [)";
    for (int i = 0; i < n; ++i)
        json << (i ? "," : "") << R"({"contextID": )" << i + 1
             << R"(, "contextType": 1, "accessString": "internet", "authType": 2})";
    json << R"(]}, "preferredProviders": [)";
    for (int i = 0; i < n; ++i)
        json << (i ? "," : "") << R"({"providerID": ")" << 310000 + i
             << R"(", "providerName": "Carrier", "providerState": 4, "dataClass": 32})";
    json << R"(], "connection": {"connectionId": "wwan0"}, "connectionProfiles": [)";
    for (int i = 0; i < n; ++i)
        json << (i ? "," : "") << R"("<MBNProfile><Name>P)" << i << R"(</Name></MBNProfile>")";
    json << "]}]}";
    return json.str();
}

void RunReports(benchmark::State& state, Scenario scenario) {
    SimulatedService service(std::move(scenario));
    const paravue::ComApartment apartment;
    paravue::Report report;
    for (auto _ : state) {
        report = paravue::CollectReport();
        benchmark::DoNotOptimize(report.text.data());
    }
    state.counters["report_chars"] = static_cast<double>(report.text.size());
    state.counters["report_bytes_held"] =
        static_cast<double>(report.text.capacity() * sizeof(char16_t));
    state.counters["completed"] = report.completed ? 1 : 0;
}

void BM_DemoDevice(benchmark::State& state) {
    const std::string path = PARAVUE_SOURCE_DIR "/examples/demo.json";
    RunReports(state, ParseScenario(ReadFile(path), path));
}
BENCHMARK(BM_DemoDevice)->Unit(benchmark::kMicrosecond);

void BM_DeviceWithLists(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    RunReports(state, ParseScenario(DeviceWithLists(n), "generated"));
    state.SetComplexityN(n);
}
BENCHMARK(BM_DeviceWithLists)
    ->RangeMultiplier(10)
    ->Range(1, 10000)
    ->Unit(benchmark::kMicrosecond)
    ->Complexity(benchmark::oN);

}  // namespace

BENCHMARK_MAIN();

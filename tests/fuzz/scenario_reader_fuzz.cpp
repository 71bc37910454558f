// Arbitrary bytes into the scenario reader: either a scenario or a clean
// ScenarioError whose message is one printable line. A loaded scenario's
// events then fire one after the other: every patch the loader let through
// must apply (the loader checks only what each patch touched). Anything else
// (another exception, a crash, a leak, undefined behaviour) is a finding.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/simulated/scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        paravue::simulated::Scenario scenario =
            paravue::simulated::ParseScenario(text, "fuzz.json");
        paravue::simulated::PatchedStates states(scenario.document);
        for (const auto& event : scenario.events)
            (void)states.After(event);
    } catch (const paravue::simulated::ScenarioError& error) {
        for (const char* c = error.what(); *c; ++c) {
            auto byte = static_cast<unsigned char>(*c);
            if (byte < 0x20 || byte == 0x7F)
                __builtin_trap();  // the message would break the line or drive the terminal
        }
    }
    return 0;
}

// paravue-report, as built, against the real ModemManager daemon and a
// simulated AT modem (run through real_daemon/run_with_modem.py --pin-locked).
// One daemon serves the whole binary, so the tests run in the modem's own
// order: its SIM asks for the PIN, then (PIN given) the modem is disabled,
// then enabled and registered, then busy with a network scan, then it stops
// answering. Each test brings the modem one step on.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "real_daemon.h"

namespace {

using real_daemon::Fact;
using real_daemon::Line;
using real_daemon::Mmcli;
using real_daemon::ReportLines;

struct Report {
    std::string text;
    std::vector<std::string> lines;
    int exitCode;

    bool Has(const std::string& line) const {
        for (const std::string& shown : lines)
            if (shown == line)
                return true;
        return false;
    }
    bool Completed() const { return !lines.empty() && lines.back() == "Completed Successfully."; }
};

Report RunReport() {
    // The report alone: what the program adds on standard error is not part of it.
    real_daemon::CommandResult run = real_daemon::Run(PARAVUE_REPORT_BINARY, false);
    return {run.output, ReportLines(run.output), run.exitCode};
}

// The value after "key: " in one of mmcli's "key: value, key: value" lists.
std::string Field(const std::string& list, const std::string& key) {
    std::size_t at = list.find(key + ": ");
    if (at == std::string::npos)
        return {};
    at += key.size() + 2;
    return list.substr(at, list.find(',', at) - at);
}

// A report line, what the simulated modem says it should read, and what the
// daemon's own client reads (after the documented mapping): all three agree.
struct Expected {
    std::string label;
    std::string fromModem;
    std::string fromMmcli;
};

void ExpectAgreement(const Report& report, const std::vector<Expected>& table) {
    for (const Expected& row : table) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(row.fromMmcli, row.fromModem) << "the daemon's client disagrees with the modem";
        EXPECT_TRUE(report.Has(Line(row.label, row.fromModem)))
            << "no line \"" << Line(row.label, row.fromModem) << "\" in\n"
            << report.text;
    }
}

std::string ThreeGpp(const std::string& capabilities) {
    return capabilities.find("gsm-umts") != std::string::npos ? "GSM" : capabilities;
}

// The device's identity needs no SIM and no network: the same in every state.
std::vector<Expected> IdentityRows(std::map<std::string, std::string>& modem) {
    return {
        {"Interface ID", modem["modem.generic.device-identifier"],
         modem["modem.generic.device-identifier"]},
        {"Connection ID", modem["modem.generic.device-identifier"],
         modem["modem.generic.device-identifier"]},
        {"Manufacturer", Fact("manufacturer"), modem["modem.generic.manufacturer"]},
        {"Model", Fact("model"), modem["modem.generic.model"]},
        {"FirmwareInfo", Fact("revision"), modem["modem.generic.revision"]},
        {"DeviceId", Fact("imei"), modem["modem.generic.equipment-identifier"]},
        // A 3GPP modem (GSM/UMTS, LTE) is a GSM device.
        {"Technology", "GSM", ThreeGpp(modem["modem.generic.current-capabilities.value[1]"])},
    };
}

// The SIM's records, readable once the PIN was given.
std::vector<Expected> SimRows(std::map<std::string, std::string>& modem,
                              std::map<std::string, std::string>& sim) {
    return {
        {"ICCID", Fact("iccid"), sim["sim.properties.iccid"]},
        {"IMSI", Fact("imsi"), sim["sim.properties.imsi"]},
        {"Phone Number", Fact("own_number"), modem["modem.generic.own-numbers.value[1]"]},
        {"Home Provider ID", Fact("operator_code"), sim["sim.properties.operator-code"]},
        {"Home Provider Name", Fact("operator_name"), sim["sim.properties.operator-name"]},
        {"Preferred Provider ID", Fact("preferred_network"),
         Field(sim["sim.properties.preferred-networks.value[1]"], "operator-code")},
    };
}

class RealDaemonReport : public ::testing::Test {
  protected:
    void SetUp() override {
        if (std::string why = real_daemon::Unavailable(); !why.empty())
            GTEST_SKIP() << why;
    }
};

TEST_F(RealDaemonReport, ASimThatNeedsItsPinReadsDeviceLocked) {
    auto modem = Mmcli("-m 0");
    ASSERT_EQ(modem["modem.generic.state"], "locked")
        << "this test needs the modem as the daemon found it: run it first";
    ASSERT_EQ(modem["modem.generic.unlock-required"], "sim-pin");

    Report report = RunReport();
    EXPECT_EQ(report.exitCode, 0) << report.text;
    ExpectAgreement(report, IdentityRows(modem));
    EXPECT_TRUE(report.Has(Line("Ready State", "DEVICE_LOCKED"))) << report.text;
    EXPECT_TRUE(report.Has(Line("Register State", "NONE"))) << report.text;
    // The daemon's signal below the enabled state is a placeholder.
    EXPECT_TRUE(report.Has(Line("Signal Strength", "99"))) << report.text;
    // Nothing of the locked SIM's records can be known, and nothing is made up.
    EXPECT_EQ(report.text.find(Fact("imsi")), std::string::npos) << report.text;
    EXPECT_EQ(report.text.find(Fact("iccid")), std::string::npos) << report.text;
    EXPECT_TRUE(report.Completed()) << report.text;
}

TEST_F(RealDaemonReport, TheDisabledModemGetsACompleteReport) {
    if (Mmcli("-m 0")["modem.generic.state"] == "locked") {
        real_daemon::CommandResult unlock = real_daemon::Run("mmcli -i 0 --pin=" + Fact("pin"));
        ASSERT_EQ(unlock.exitCode, 0) << unlock.output;
    }
    ASSERT_TRUE(real_daemon::WaitForModemState("disabled"));
    auto modem = Mmcli("-m 0");
    auto sim = Mmcli("-i 0");
    ASSERT_EQ(modem["modem.generic.power-state"], "low");

    Report report = RunReport();
    EXPECT_EQ(report.exitCode, 0) << report.text;
    ExpectAgreement(report, IdentityRows(modem));
    ExpectAgreement(report, SimRows(modem, sim));
    for (const std::string& line : {
             Line("Signal Strength", "99"),
             Line("Register State", "NONE"),
             Line("Software Radio State", "Off"),
             Line("Ready State", "INITIALIZED"),
             Line("Activation State", "Deactivated"),
         })
        EXPECT_TRUE(report.Has(line)) << "no \"" << line << "\" in\n" << report.text;
    EXPECT_TRUE(report.Completed()) << report.text;
}

TEST_F(RealDaemonReport, TheRegisteredModemAgreesWithTheDaemonsClient) {
    if (Mmcli("-m 0")["modem.generic.state"] != "registered") {
        ASSERT_TRUE(real_daemon::WaitForModemState("disabled"));
        real_daemon::CommandResult enable = real_daemon::Run("mmcli -m 0 --enable");
        ASSERT_EQ(enable.exitCode, 0) << enable.output;
        ASSERT_TRUE(real_daemon::WaitForModemState("registered"));
    }
    // The daemon says "registered" before it has read the signal (0 till then).
    ASSERT_TRUE(real_daemon::WaitForModem(
        [](auto& modem) { return modem["modem.generic.signal-quality.value"] != "0"; }));
    auto modem = Mmcli("-m 0");
    auto sim = Mmcli("-i 0");
    auto profiles = Mmcli("-m 0 --3gpp-profile-manager-list");

    Report report = RunReport();
    EXPECT_EQ(report.exitCode, 0) << report.text;
    ExpectAgreement(report, IdentityRows(modem));
    ExpectAgreement(report, SimRows(modem, sim));

    // The daemon's percentage back on the 0-31 scale of the modem's +CSQ.
    const long quality = std::stol(modem["modem.generic.signal-quality.value"]);
    const std::string registration = modem["modem.3gpp.registration-state"];
    ExpectAgreement(
        report,
        {
            {"Signal Strength", Fact("csq"), std::to_string(std::lround(quality * 31 / 100.0))},
            {"Provider ID", Fact("operator_code"), modem["modem.3gpp.operator-code"]},
            {"Provider Name", Fact("operator_name"), modem["modem.3gpp.operator-name"]},
            {"Register State", "HOME", registration == "home" ? "HOME" : registration},
            {"Software Radio State", "On",
             modem["modem.generic.power-state"] == "on" ? "On" : "not on"},
            {"Access String", Fact("apn"),
             Field(profiles["modem.3gpp.profile-manager.list.value[1]"], "apn")},
        });
    // What the modem's answers mean, with nothing from the client to compare:
    // it allows GSM, UTRAN and E-UTRAN (+WS46), so registered it has every
    // 2G to 4G class, and its access technology 7 (+CGREG) is E-UTRAN; at
    // home, the home provider is visible and registered; a profile without a
    // type is for the internet; registered and idle is initialised and
    // deactivated.
    for (const std::string& line : {
             Line("InterfaceCaps Data Class", "63"),
             Line("Available Data Class", "63"),
             Line("Current Data Class", "32"),
             Line("Register Mode", "Automatic"),
             Line("Connection Context", "1:"),
             Line("Context type", "INTERNET"),
             Line("Home Provider State", "25"),
             Line("Ready State", "INITIALIZED"),
             Line("In Emergency Mode", "FALSE"),
             Line("Activation State", "Deactivated"),
             Line("Preferred Provider State", "4"),
             Line("Preferred provider Data Class", "37"),
         })
        EXPECT_TRUE(report.Has(line)) << "no \"" << line << "\" in\n" << report.text;
    EXPECT_TRUE(report.Completed()) << report.text;
}

// A modem without a net port, like this AT modem, is known by the daemon's
// DeviceIdentifier: a hash over its IMEI and other facts of the modem, from
// which the IMEI can be found again. A redacted capture holds neither that
// identifier nor any identifier of the device or SIM, and replays byte for
// byte to the redacted report.
TEST_F(RealDaemonReport, ARedactedCaptureHoldsNoIdentifierAndReplaysToTheRedactedReport) {
    auto modem = Mmcli("-m 0");
    for (const auto& [key, value] : modem) {
        if (key.starts_with("modem.generic.ports.value")) {
            ASSERT_EQ(value.find("(net)"), std::string::npos) << "the modem must have no net port";
        }
    }
    const std::string identifier = modem["modem.generic.device-identifier"];
    ASSERT_FALSE(identifier.empty());

    char directory[] = "/tmp/paravue-redact-XXXXXX";
    ASSERT_NE(mkdtemp(directory), nullptr);
    const std::string file = std::string(directory) + "/device.json";
    const real_daemon::CommandResult masked =
        real_daemon::Run(std::string(PARAVUE_REPORT_BINARY) + " --redact --capture " + file, false);
    const real_daemon::CommandResult replayed =
        real_daemon::Run(std::string(PARAVUE_REPORT_BINARY) + " --scenario " + file, false);
    std::ifstream in(file);
    const std::string captured{std::istreambuf_iterator<char>(in), {}};
    std::filesystem::remove_all(directory);

    EXPECT_EQ(masked.exitCode, 0) << masked.output;
    const std::vector<std::string> lines = ReportLines(masked.output);
    EXPECT_NE(std::find(lines.begin(), lines.end(), Line("Interface ID", "interface-1")),
              lines.end())
        << masked.output;
    for (const std::string& secret :
         {identifier, Fact("imei"), Fact("imsi"), Fact("iccid"), Fact("own_number").substr(1)}) {
        EXPECT_EQ(captured.find(secret), std::string::npos) << secret << " in\n" << captured;
        EXPECT_EQ(masked.output.find(secret), std::string::npos) << secret;
    }
    EXPECT_EQ(replayed.output, masked.output);
    EXPECT_EQ(replayed.exitCode, masked.exitCode);
}

// A profile list that does not come: the modem's one AT port busy with a
// network scan (the daemon answers the list past the call bound; the SIM's
// read, which it answers itself, comes in time), then a modem that answers
// nothing (the daemon's list fails with the serial timeout, or waits past
// the bound behind another unanswered command). Either way the subscriber
// lines stay and the run ends at the contexts with a timeout.
TEST_F(RealDaemonReport, AProfileListThatDoesNotComeEndsTheRunAtTheContexts) {
    struct Case {
        const char* name;
        const char* state;
        const char* meanwhile;  // a command that keeps the modem busy
    } cases[] = {
        {"busy with a scan", "delay=+COPS=? 9\n", "mmcli -m 0 --3gpp-scan --timeout=60 2>&1"},
        {"not answering", "answering=no\n", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(real_daemon::WaitForModemState("registered"));
        ASSERT_TRUE(real_daemon::SetModemState(c.state));
        FILE* meanwhile = c.meanwhile ? popen(c.meanwhile, "r") : nullptr;
        const bool ready = !c.meanwhile || (meanwhile && real_daemon::WaitForModemBusy());
        Report report = ready ? RunReport() : Report{};
        if (meanwhile)
            pclose(meanwhile);
        ASSERT_TRUE(real_daemon::SetModemState(""));
        ASSERT_TRUE(ready) << "the modem never received the command";

        EXPECT_TRUE(report.Has(Line("IMSI", Fact("imsi")))) << report.text;
        EXPECT_TRUE(report.Has(Line("ICCID", Fact("iccid")))) << report.text;
        ASSERT_FALSE(report.lines.empty());
        EXPECT_EQ(report.lines.back(), "Unable to get provisioned contexts. Error Code: 0x800705b4")
            << report.text;
        EXPECT_EQ(report.exitCode, 1);
    }
}

}  // namespace

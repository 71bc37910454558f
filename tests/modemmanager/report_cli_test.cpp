// paravue-report, as built, against the mock daemon on the private bus.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "mock_daemon.h"
// After the boundary's headers: glib makes TRUE and FALSE macros.
#include <gio/gio.h>

namespace {

struct ReportRun {
    std::string output;  // standard output: the report
    std::string errors;  // standard error
    int exitCode = -1;
};

std::string ReadPipe(const std::string& command, int* exitCode) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return output;
    char buffer[4096];
    while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, n);
    int status = pclose(pipe);
    *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return output;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

ReportRun RunReport(const std::string& environment = "", const std::string& arguments = "") {
    ReportRun run;
    const std::string errors = "/tmp/paravue-report-err-" + std::to_string(::getpid());
    run.output = ReadPipe(environment + " " PARAVUE_REPORT_BINARY " " + arguments + " 2>" + errors,
                          &run.exitCode);
    run.errors = ReadFile(errors);
    std::remove(errors.c_str());
    return run;
}

// The leaf elements of every "Profiles" document in the report, one string
// per document, as tests/modemmanager/profile_fields.py reads them with
// Python's xml.etree parser. A document that does not parse fails the test.
std::vector<std::string> ProfileFields(const std::string& report) {
    char path[] = "/tmp/paravue-report-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0) {
        ADD_FAILURE() << "no temporary file";
        return {};
    }
    close(fd);
    std::ofstream(path, std::ios::binary) << report;
    int exitCode = -1;
    std::string fields =
        ReadPipe("/usr/bin/python3 " PARAVUE_SOURCE_DIR "/tests/modemmanager/profile_fields.py < " +
                     std::string(path) + " 2>&1",
                 &exitCode);
    unlink(path);
    EXPECT_EQ(exitCode, 0) << fields;
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = fields.find('\n', start)) != std::string::npos;
         start = end + 1)
        lines.push_back(fields.substr(start, end - start));
    return lines;
}

class ReportCli : public ::testing::Test {
  protected:
    void SetUp() override {
        if (std::string why = MockDaemon::Unavailable(); !why.empty())
            GTEST_SKIP() << why;
    }
    MockDaemon daemon_;
    MockDaemon networkManager_{MockDaemon::Service::NetworkManager};
};

TEST_F(ReportCli, FullModemReportsItsLinesAndCompletes) {
    ASSERT_TRUE(daemon_.Start());
    ASSERT_TRUE(daemon_.AddModem(0));
    ReportRun run = RunReport();
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("Interface ID                       wwan0"), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("Register State                     HOME"), std::string::npos);
    EXPECT_NE(run.output.find("Completed Successfully."), std::string::npos);
}

// Modems as users have them: each report is complete, and its lines say what
// the modem's state means. `present` are runs of whole lines (CR LF each).
TEST_F(ReportCli, ModemStatesReportCompletelyWithTheirMeaning) {
    const std::string unauthorized = "org.freedesktop.ModemManager1.Error.Core.Unauthorized";
    const std::string accessDenied = "org.freedesktop.DBus.Error.AccessDenied";
    struct Case {
        const char* name;
        std::string options;  // AddModem's options, as GVariant text
        std::vector<std::string> present;
        std::vector<std::string> absent;
    } cases[] = {
        // Disabled: List is refused below the enabled state, so the contexts
        // come from the bearer it kept; nothing is available while not
        // registered, and modes the daemon could not load ("any") read as
        // the capabilities (GSM family and LTE: no 5G).
        {"disabled",
         "{'state': <'disabled'>}",
         {"InterfaceCaps Data Class           63\r\n",
          "Available Data Class               0\r\n"
          "Current Data Class                 0\r\n",
          "Roaming Text                       \r\n"
          "Connection Context                 1:\r\n"
          "Access String                      fast.example.com\r\n",
          "Context type                       INTERNET\r\n"
          "Software Radio State               Off\r\n",
          "Home provider Data Class           0\r\n"
          "Ready State                        INITIALIZED\r\n",
          "Activation State                   Deactivated\r\n"
          "Profile Name                       internet\r\n"},
         {"Connection Context                 3:"}},
        // Enabled and registered without any bearer: idle, not unknown.
        {"idle",
         "{'state': <'idle'>}",
         {"Available Data Class               63\r\n", "Connection Context                 3:\r\n",
          "Ready State                        INITIALIZED\r\n",
          "Activation State                   Deactivated\r\n"
          "Profile Name                       \r\n"},
         {}},
        // A user the daemon's policy refuses, and one the bus refuses: the
        // contexts come from the connected bearer.
        {"remote user (daemon)",
         "{'list-error': <'" + unauthorized + "'>}",
         {"Roaming Text                       \r\n"
          "Connection Context                 1:\r\n"
          "Access String                      fast.example.com\r\n",
          "Context type                       INTERNET\r\n"
          "Software Radio State               On\r\n",
          "Activation State                   Activated\r\n"},
         {"Connection Context                 3:"}},
        {"remote user (bus)",
         "{'list-error': <'" + accessDenied + "'>}",
         {"Connection Context                 1:\r\n",
          "Activation State                   Activated\r\n"},
         {"Connection Context                 3:"}},
        // A profile without an APN type is an internet one.
        {"untyped profile",
         "{'extra-profile': <{'profile-id': <int32 5>, 'apn': <'user.example'>}>}",
         {"Connection Context                 5:\r\n"
          "Access String                      user.example\r\n"
          "User Name                          \r\n"
          "Password                           \r\n"
          "Auth type                          NONE\r\n"
          "Compression                        NONE\r\n"
          "Context type                       INTERNET\r\n"},
         {}},
    };
    const std::string connected =
        ReadFile(std::string(PARAVUE_SOURCE_DIR) + "/tests/modemmanager/connected_modem.report");
    ASSERT_FALSE(connected.empty());
    ASSERT_TRUE(daemon_.Start());
    unsigned index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // One modem at a time: the report shows the first.
        ASSERT_TRUE(daemon_.AddModem(index, g_variant_new_parsed(c.options.c_str())));
        ReportRun run = RunReport();
        EXPECT_EQ(run.exitCode, 0) << run.output;
        const std::string end = "Completed Successfully.\r\n";
        EXPECT_TRUE(run.output.size() >= end.size() &&
                    run.output.compare(run.output.size() - end.size(), end.size(), end) == 0)
            << run.output;
        for (const std::string& lines : c.present)
            EXPECT_NE(run.output.find(lines), std::string::npos) << lines << run.output;
        for (const std::string& line : c.absent)
            EXPECT_EQ(run.output.find(line), std::string::npos) << line;
        ASSERT_TRUE(daemon_.Call("RemoveModem", g_variant_new("(u)", index)));
        ++index;
    }
    // The enabled, registered, connected modem reads exactly as before.
    ASSERT_TRUE(daemon_.AddModem(index));
    EXPECT_EQ(RunReport().output, connected);
}

TEST_F(ReportCli, NoSimEndsAtTheSubscriberLine) {
    ASSERT_TRUE(daemon_.Start());
    ASSERT_TRUE(daemon_.AddModem(0, g_variant_new_parsed("{'sim': <false>}")));
    ReportRun run = RunReport();
    EXPECT_NE(run.output.find("0x8054820a"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("Completed Successfully."), std::string::npos);
}

TEST_F(ReportCli, NoDaemonAndNoBusAreFailureLines) {
    ReportRun noDaemon = RunReport();
    EXPECT_NE(noDaemon.output.find("0x80070426"), std::string::npos) << noDaemon.output;

    ReportRun noBus = RunReport("DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/paravue-bus");
    EXPECT_EQ(noBus.exitCode, 1);
    EXPECT_NE(noBus.output.find("0x80080005"), std::string::npos) << noBus.output;
}

TEST_F(ReportCli, LockedSimReportsTheBlockedDevice) {
    ASSERT_TRUE(daemon_.Start());
    ASSERT_TRUE(daemon_.AddModem(
        0,
        g_variant_new_parsed("{'modem': <{'State': <int32 2>, 'UnlockRequired': <uint32 4>}>}")));
    ReportRun run = RunReport();
    EXPECT_NE(run.output.find("Ready State                        DEVICE_BLOCKED"),
              std::string::npos)
        << run.output;
}

TEST_F(ReportCli, ModemRemovedBetweenTwoRuns) {
    ASSERT_TRUE(daemon_.Start());
    ASSERT_TRUE(daemon_.AddModem(0));
    ReportRun before = RunReport();
    EXPECT_NE(before.output.find("Number of MB devices               1"), std::string::npos)
        << before.output;
    ASSERT_TRUE(daemon_.Call("RemoveModem", g_variant_new("(u)", 0u)));
    ReportRun after = RunReport();
    EXPECT_NE(after.output.find("No Mobile Broadband Device Found."), std::string::npos)
        << after.output;
    EXPECT_EQ(after.output.find("wwan0"), std::string::npos);
}

TEST_F(ReportCli, DaemonThatStopsAnsweringCostsOneFailureLine) {
    ASSERT_TRUE(daemon_.Start());
    ASSERT_TRUE(daemon_.AddModem(0));
    daemon_.Freeze();
    ReportRun run = RunReport();  // finishes: every call is bounded
    daemon_.Thaw();
    EXPECT_NE(run.output.find("0x800705b4"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("Completed Successfully."), std::string::npos);
}

// A run that fails or falls back for a cause the service knows adds one line
// on standard error naming it; standard output stays the report, byte for byte.
TEST_F(ReportCli, KnownCausesAddOneHintAfterTheUnchangedReport) {
    const std::string connected =
        ReadFile(std::string(PARAVUE_SOURCE_DIR) + "/tests/modemmanager/connected_modem.report");
    ASSERT_FALSE(connected.empty());
    const std::string completed = "Completed Successfully.\r\n";
    struct Case {
        const char* name;
        std::function<void()> before;
        std::string environment;
        int exitCode;
        bool whole;  // `out` is the whole report, else lines of a completed one
        std::string out;
        const char* hint;  // what the one line on standard error says; none if null
    } cases[] = {
        {"no bus", [] {}, "DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/paravue-bus", 1, true,
         "Unable to use Windows 7 Mobile Broadband. Error code: 0x80080005\r\n",
         "the system bus cannot be reached"},
        {"no daemon", [] {}, "", 1, true,
         "Unable to get Mobile Broadband device information. Error code: 0x80070426\r\n",
         "ModemManager is not running"},
        {"no NetworkManager",
         [&] {
             ASSERT_TRUE(daemon_.Start());
             ASSERT_TRUE(daemon_.AddModem(0));
         },
         "", 0, true, connected, "NetworkManager is not running, so no connection profiles"},
        // NetworkManager from here on, so that the refusal is the only cause.
        {"profile list refused to this user",
         [&] {
             ASSERT_TRUE(networkManager_.Start());
             ASSERT_TRUE(daemon_.Call("RemoveModem", g_variant_new("(u)", 0u)));
             ASSERT_TRUE(daemon_.AddModem(
                 1, g_variant_new_parsed(
                        "{'list-error': "
                        "<'org.freedesktop.ModemManager1.Error.Core.Unauthorized'>}")));
         },
         "", 0, false, "Connection Context                 1:\r\n",
         "contexts shown come from its bearers"},
        // Refused below the enabled state: the modem's, not the user's; no hint.
        {"disabled modem",
         [&] {
             ASSERT_TRUE(daemon_.Call("RemoveModem", g_variant_new("(u)", 1u)));
             ASSERT_TRUE(daemon_.AddModem(2, g_variant_new_parsed("{'state': <'disabled'>}")));
         },
         "", 0, false, "Connection Context                 1:\r\n", nullptr},
        {"daemon frozen", [&] { daemon_.Freeze(); }, "", 1, true,
         "Unable to get Mobile Broadband device information. Error code: 0x800705b4\r\n",
         "ModemManager is not answering"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.before();
        ReportRun run = RunReport(c.environment);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.output << run.errors;
        if (c.whole) {
            EXPECT_EQ(run.output, c.out);
        } else {
            EXPECT_NE(run.output.find(c.out), std::string::npos) << run.output;
            EXPECT_TRUE(run.output.ends_with(completed)) << run.output;
        }
        if (!c.hint) {
            EXPECT_EQ(run.errors, "");
            continue;
        }
        EXPECT_TRUE(run.errors.starts_with("paravue-report: ")) << run.errors;
        EXPECT_NE(run.errors.find(c.hint), std::string::npos) << run.errors;
        EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 1) << run.errors;
        EXPECT_TRUE(run.errors.ends_with("\n")) << run.errors;
    }
    daemon_.Thaw();
}

// What a user captures on the daemon replays without it, on any bus or none:
// the same bytes and exit status, degraded devices included.
TEST_F(ReportCli, CapturedDeviceReplaysWithoutTheDaemon) {
    const std::string file = "/tmp/paravue-mm-capture-" + std::to_string(::getpid()) + ".json";
    auto roundTrip = [&](const char* what) {
        SCOPED_TRACE(what);
        ReportRun captured = RunReport("", "--capture " + file);
        ReportRun replayed = RunReport("DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/paravue-bus",
                                       "--scenario " + file);
        EXPECT_EQ(replayed.output, captured.output);
        EXPECT_EQ(replayed.exitCode, captured.exitCode);
        std::remove(file.c_str());
        return captured.output;
    };
    auto replaceModem = [&](GVariant* options) {
        ASSERT_TRUE(daemon_.Call("RemoveModem", g_variant_new("(u)", 0u)));
        ASSERT_TRUE(daemon_.AddModem(0, options));
    };
    ASSERT_TRUE(daemon_.Start());
    ASSERT_TRUE(daemon_.AddModem(0));
    EXPECT_NE(roundTrip("full modem").find("Completed Successfully."), std::string::npos);
    replaceModem(g_variant_new_parsed("{'sim': <false>}"));
    EXPECT_NE(roundTrip("no SIM").find("0x8054820a"), std::string::npos);
    replaceModem(
        g_variant_new_parsed("{'modem': <{'State': <int32 2>, 'UnlockRequired': <uint32 4>}>}"));
    EXPECT_NE(roundTrip("locked SIM").find("DEVICE_BLOCKED"), std::string::npos);
    daemon_.Freeze();
    EXPECT_NE(roundTrip("daemon stops answering").find("0x800705b4"), std::string::npos);
    daemon_.Thaw();
    ASSERT_TRUE(daemon_.Call("RemoveModem", g_variant_new("(u)", 0u)));
    EXPECT_NE(roundTrip("no modem").find("No Mobile Broadband Device Found."), std::string::npos);
    daemon_.Kill();
    EXPECT_NE(roundTrip("no daemon").find("0x80070426"), std::string::npos);
}

// Saved connections of every kind: only the gsm ones that may serve the
// modem become profiles, in NetworkManager's order, with no secret shown.
TEST_F(ReportCli, ProfilesAreTheSavedConnectionsForThisModem) {
    ASSERT_TRUE(daemon_.Start());
    ASSERT_TRUE(daemon_.AddModem(0));
    ASSERT_TRUE(networkManager_.Start());
    for (const char* settings : {
             "{'connection': {'id': <'Home & <Work>'>, 'type': <'gsm'>},"
             " 'gsm': {'apn': <'fast \"net\" & \\'more\\''>, 'username': <'ann'>,"
             " 'password': <'hunter2'>}, 'ppp': {'refuse-mschapv2': <true>}}",
             "{'connection': {'id': <'Cafe'>, 'type': <'802-11-wireless'>},"
             " '802-11-wireless': {'ssid': <b'cafe'>}}",
             "{'connection': {'id': <'Other SIM'>, 'type': <'gsm'>},"
             " 'gsm': {'apn': <'x'>, 'sim-id': <'8901000000000000000'>}}",
             "{'connection': {'id': <'This modem'>, 'type': <'gsm'>, 'autoconnect': <false>,"
             " 'interface-name': <'cdc-wdm0'>}, 'gsm': {'apn': <'internet'>,"
             " 'device-id': <'4a1c9e2f0d7b'>, 'sim-id': <'8901260123456789012'>,"
             " 'sim-operator-id': <'310260'>}}",
             "{'connection': {'id': <'Other port'>, 'type': <'gsm'>,"
             " 'interface-name': <'ttyUSB9'>}, 'gsm': {'apn': <'x'>}}",
         })
        ASSERT_TRUE(networkManager_.AddConnection(g_variant_new_parsed(settings))) << settings;
    // One more, private to another user: NetworkManager lists it but will
    // not show its settings. The mock numbers connections from 0.
    ASSERT_TRUE(networkManager_.AddConnection(g_variant_new_parsed(
        "{'connection': {'id': <'Private'>, 'type': <'gsm'>}, 'gsm': {'apn': <'x'>}}")));
    ASSERT_TRUE(networkManager_.FailMethod(
        "/org/freedesktop/NetworkManager/Settings/5",
        "org.freedesktop.NetworkManager.Settings.Connection", "GetSettings", "a{sa{sv}}",
        "org.freedesktop.NetworkManager.Settings.PermissionDenied"));

    ReportRun run = RunReport();
    EXPECT_EQ(run.exitCode, 0) << run.output;
    const std::string sim = "SubscriberID=310260123456789|SimIccID=8901260123456789012|";
    EXPECT_EQ(ProfileFields(run.output),
              (std::vector<std::string>{
                  "Name=Home & <Work>|IsDefault=true|" + sim +
                      "ConnectionMode=auto|Context/AccessString=fast \"net\" & 'more'|"
                      "Context/UserLogonCred/UserName=ann|Context/Compression=DISABLE|"
                      "Context/AuthProtocol=CHAP",
                  "Name=This modem|IsDefault=false|" + sim +
                      "ConnectionMode=manual|Context/AccessString=internet|"
                      "Context/Compression=DISABLE|Context/AuthProtocol=NONE",
              }))
        << run.output;
    EXPECT_EQ(run.output.find("hunter2"), std::string::npos);
    EXPECT_NE(run.output.find("</MBNProfile>\r\nCompleted Successfully.\r\n"), std::string::npos)
        << run.output;
}

TEST_F(ReportCli, NetworkManagerAbsentFailingOrFrozenIsOneLineNeverAHang) {
    ASSERT_TRUE(daemon_.Start());
    ASSERT_TRUE(daemon_.AddModem(0));
    ReportRun absent = RunReport();
    EXPECT_EQ(absent.exitCode, 0);
    EXPECT_NE(absent.output.find("Profiles                           Nothing Found\r\n"
                                 "Completed Successfully.\r\n"),
              std::string::npos)
        << absent.output;

    auto endsWith = [](const std::string& report, const char* status) {
        const std::string last =
            std::string("Unable to get connection profile information. Error Code: ") + status +
            "\r\n";
        return report.size() >= last.size() &&
               report.compare(report.size() - last.size(), last.size(), last) == 0;
    };
    ASSERT_TRUE(networkManager_.Start());
    ASSERT_TRUE(networkManager_.FailMethod(
        "/org/freedesktop/NetworkManager/Settings", "org.freedesktop.NetworkManager.Settings",
        "ListConnections", "ao", "org.freedesktop.NetworkManager.Settings.Failed"));
    ReportRun failing = RunReport();
    EXPECT_TRUE(endsWith(failing.output, "0x80548212")) << failing.output;

    networkManager_.Freeze();
    ReportRun frozen = RunReport();  // finishes: every call is bounded
    networkManager_.Thaw();
    EXPECT_TRUE(endsWith(frozen.output, "0x800705b4")) << frozen.output;
}

// Three modems added out of order, at paths whose text order is not their
// number's: the listing, every selector form and the report's Interface ID
// line agree on the order by path number. Modem/2 and Modem/7 share a
// device ID.
TEST_F(ReportCli, SeveralModemsInPathNumberOrderForEverySelector) {
    ASSERT_TRUE(daemon_.Start());
    for (auto [index, imei] : {std::pair{10u, "350000000000010"}, std::pair{2u, "350000000000027"},
                               std::pair{7u, "350000000000027"}}) {
        const std::string n = std::to_string(index);
        ASSERT_TRUE(daemon_.AddModem(
            index,
            g_variant_new_parsed(("{'modem': <{'Ports': <[('cdc-wdm" + n + "', uint32 6), ('wwan" +
                                  n + "', uint32 2)]>, 'EquipmentIdentifier': <'" + imei + "'>}>}")
                                     .c_str())));
    }
    const ReportRun list = RunReport("", "--list");
    EXPECT_EQ(list.exitCode, 0) << list.errors;
    const std::string pad(28, ' ');
    EXPECT_EQ(list.output, "Modem 0" + pad + "wwan2 | Quectel | EM12-G | 350000000000027\r\n" +
                               "Modem 1" + pad + "wwan7 | Quectel | EM12-G | 350000000000027\r\n" +
                               "Modem 2" + pad + "wwan10 | Quectel | EM12-G | 350000000000010\r\n");
    struct Case {
        const char* selector;
        int exitCode;
        const char* interfaceId;  // the report's modem; none for a refusal
        const char* error;        // what standard error says
    } cases[] = {
        {"0", 0, "wwan2", ""},
        {"2", 0, "wwan10", ""},
        {"wwan7", 0, "wwan7", ""},
        {"350000000000010", 0, "wwan10", ""},
        {"350000000000027", 2, nullptr, "names more than one modem"},
        {"3", 2, nullptr, "no modem matches --modem '3'; the modems are 0: wwan2 |"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.selector);
        const ReportRun run = RunReport("", std::string("--modem ") + c.selector);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.errors;
        EXPECT_NE(run.errors.find(c.error), std::string::npos) << run.errors;
        if (!c.interfaceId) {
            EXPECT_EQ(run.output, "");
            continue;
        }
        EXPECT_NE(run.output.find("Number of MB devices               3\r\n"), std::string::npos);
        // What the run captured replays to the same report of the same modem.
        const std::string file = "/tmp/paravue-mm-modem-" + std::to_string(::getpid()) + ".json";
        const std::string chosen = std::string(" --modem ") + c.selector;
        EXPECT_EQ(RunReport("", "--capture " + file + chosen).output, run.output);
        EXPECT_EQ(RunReport("DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/paravue-bus",
                            "--scenario " + file + chosen)
                      .output,
                  run.output);
        std::remove(file.c_str());
        EXPECT_NE(run.output.find(std::string("Interface ID                       ") +
                                  c.interfaceId + "\r\n"),
                  std::string::npos)
            << run.output;
    }
}

// --metrics over the daemon: every modem it lists, named by its interface
// (a repeated one also by its position), the first agreeing with its report;
// no daemon is a metric too, not a failure.
TEST_F(ReportCli, MetricsCoverEveryModemAndAgreeWithTheReport) {
    const ReportRun none = RunReport("", "--metrics");
    EXPECT_EQ(none.exitCode, 0) << none.errors;
    EXPECT_NE(none.output.find("\nparavue_service_up 0\n"), std::string::npos) << none.output;

    ASSERT_TRUE(daemon_.Start());
    ASSERT_TRUE(daemon_.AddModem(0));
    ASSERT_TRUE(daemon_.AddModem(
        1, g_variant_new_parsed("{'state': <'disabled'>, 'modem': <{'Ports': <[('cdc-wdm1', "
                                "uint32 6), ('wwan1', uint32 2)]>}>}")));
    ASSERT_TRUE(daemon_.AddModem(2, g_variant_new_parsed("{'state': <'idle'>}")));
    const ReportRun metrics = RunReport("", "--metrics");
    EXPECT_EQ(metrics.exitCode, 0) << metrics.errors;
    const auto has = [&](const std::string& sample) {
        return metrics.output.find("\n" + sample + "\n") != std::string::npos;
    };
    EXPECT_TRUE(has("paravue_service_up 1"));
    EXPECT_TRUE(has("paravue_modems 3"));
    for (const char* modem : {"wwan0", "wwan1", "wwan0#2"})
        EXPECT_TRUE(has("paravue_modem_facts_ok{modem=\"" + std::string(modem) + "\"} 1"))
            << modem << metrics.output;
    EXPECT_TRUE(has("paravue_modem_radio_on{modem=\"wwan1\",switch=\"software\"} 0"));

    const std::string report = RunReport().output;
    const auto value = [&](const std::string& label) {
        const std::size_t at = report.find(label + std::string(35 - label.size(), ' '));
        if (at == std::string::npos)
            return std::string();
        const std::size_t start = at + 35;
        std::string text = report.substr(start, report.find("\r\n", start) - start);
        for (char& c : text)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return text;
    };
    for (const auto& [family, label] :
         {std::pair{"register", "Register State"}, std::pair{"ready", "Ready State"},
          std::pair{"activation", "Activation State"}})
        EXPECT_TRUE(has(std::string("paravue_modem_") + family + "_state{modem=\"wwan0\",state=\"" +
                        value(label) + "\"} 1"))
            << family << metrics.output;
    const int strength = std::stoi(value("Signal Strength"));
    EXPECT_TRUE(has("paravue_modem_signal_rssi_dbm{modem=\"wwan0\"} " +
                    std::to_string(-113 + 2 * strength)));
}

}  // namespace

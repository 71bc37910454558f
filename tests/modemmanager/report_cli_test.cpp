// paravue-report, as built, against the mock daemon on the private bus.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "mock_daemon.h"
// After the boundary's headers: glib makes TRUE and FALSE macros.
#include <gio/gio.h>

namespace {

struct ReportRun {
    std::string output;
    int exitCode = -1;
};

ReportRun RunReport(const std::string& environment = "") {
    ReportRun run;
    std::string command = environment + " " PARAVUE_REPORT_BINARY " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char buffer[4096];
    while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe))
        run.output.append(buffer, n);
    int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

class ReportCli : public ::testing::Test {
  protected:
    void SetUp() override {
        if (std::string why = MockDaemon::Unavailable(); !why.empty())
            GTEST_SKIP() << why;
    }
    MockDaemon daemon_;
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

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
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

}  // namespace

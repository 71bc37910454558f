// Two simulated modems of distinct identities on the real ModemManager daemon
// (run through real_daemon/run_with_modem.py --modems 2): paravue-report
// lists and reports each as the daemon's own client reads it, and the
// window's chooser switches between them, keeps its modem across a Refresh
// and goes back to the first modem when the chosen one is unplugged. One
// daemon serves the binary, so the unplugging comes last.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/modemmanager/modemmanager_service.h"
#include "platform/runtime.h"
#include "real_daemon.h"
#include "real_daemon_window.h"

#include <QComboBox>
#include <QTest>

#include "app/wandiag_dlg.h"
#include "tests/app/test_window.h"

namespace {

using real_daemon::Line;
using real_daemon::Mmcli;

using Keys = std::map<std::string, std::string>;

constexpr int kModems = 2;
// The daemon drops an unplugged modem at once; this only bounds a failure.
constexpr int kPatienceMs = 15000;

// A modem as the daemon's own client reads it (`mmcli -m N`), its SIM's
// (`mmcli -i`), and what the simulated modem says it is.
struct Modem {
    Keys mmcli;
    Keys sim;
    Keys facts;

    std::string Get(const char* key) { return mmcli[std::string("modem.generic.") + key]; }
    // Its line in `--list` and entry in the chooser, after "Modem N" / "N: ".
    std::string Entry() {
        return Get("device-identifier") + " | " + Get("manufacturer") + " | " + Get("model") +
               " | " + Get("equipment-identifier");
    }
};

std::vector<Modem> ReadModems() {
    std::vector<Modem> modems;
    for (int position = 0; position < kModems; ++position) {
        Modem modem{Mmcli("-m " + std::to_string(position)), {}, real_daemon::FactsOf(position)};
        modem.sim = Mmcli("-i " + modem.Get("sim"));
        modems.push_back(std::move(modem));
    }
    return modems;
}

class RealDaemonModems : public ::testing::Test {
  protected:
    void SetUp() override {
        if (std::string why = real_daemon::Unavailable(); !why.empty())
            GTEST_SKIP() << why;
        ASSERT_EQ(real_daemon::ModemCount(), kModems) << "run with --modems 2";
        modems_ = ReadModems();
    }

    std::vector<Modem> modems_;
};

bool Has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST_F(RealDaemonModems, ListAndEachSelectorAgreeWithTheDaemonsClient) {
    const real_daemon::CommandResult list =
        real_daemon::Run(std::string(PARAVUE_REPORT_BINARY) + " --list", false);
    const std::vector<std::string> listed = real_daemon::ReportLines(list.output);
    EXPECT_EQ(list.exitCode, 0) << list.output;
    ASSERT_EQ(listed.size(), std::size_t{kModems}) << list.output;

    for (int position = 0; position < kModems; ++position) {
        SCOPED_TRACE("modem " + std::to_string(position));
        Modem& modem = modems_[static_cast<std::size_t>(position)];
        Modem& other = modems_[static_cast<std::size_t>(1 - position)];
        // The fixture's numbering is the daemon's, and the client reads what the modem says.
        ASSERT_EQ(modem.mmcli["modem.dbus-path"], modem.facts["path"]);
        EXPECT_EQ(modem.Get("equipment-identifier"), modem.facts["imei"]);
        EXPECT_EQ(modem.Get("manufacturer"), modem.facts["manufacturer"]);
        EXPECT_EQ(modem.Get("model"), modem.facts["model"]);
        EXPECT_EQ(modem.sim["sim.properties.imsi"], modem.facts["imsi"]);

        EXPECT_EQ(listed[static_cast<std::size_t>(position)],
                  Line("Modem " + std::to_string(position), modem.Entry()));

        for (const std::string& selector :
             {std::to_string(position), modem.Get("equipment-identifier")}) {
            SCOPED_TRACE("--modem " + selector);
            const real_daemon::CommandResult run = real_daemon::Run(
                std::string(PARAVUE_REPORT_BINARY) + " --modem " + selector, false);
            const std::vector<std::string> lines = real_daemon::ReportLines(run.output);
            EXPECT_EQ(run.exitCode, 0) << run.output;
            for (const std::string& line : {
                     Line("Number of MB devices", std::to_string(kModems)),
                     Line("Interface ID", modem.Get("device-identifier")),
                     Line("DeviceId", modem.Get("equipment-identifier")),
                     Line("Manufacturer", modem.Get("manufacturer")),
                     Line("Model", modem.Get("model")),
                     Line("FirmwareInfo", modem.Get("revision")),
                     Line("IMSI", modem.sim["sim.properties.imsi"]),
                     Line("ICCID", modem.sim["sim.properties.iccid"]),
                     std::string("Completed Successfully."),
                 })
                EXPECT_TRUE(Has(lines, line)) << "no \"" << line << "\" in\n" << run.output;
            // Nothing of the other modem's device or SIM leaks in (its
            // interface ID does: the connections section lists every modem's).
            for (const std::string& secret :
                 {other.Get("equipment-identifier"), other.sim["sim.properties.imsi"],
                  other.sim["sim.properties.iccid"]})
                EXPECT_EQ(run.output.find(secret), std::string::npos) << secret;
        }
    }
}

using paravue::app::CWandiagDlg;
using paravue::app::test_support::AppRun;
using paravue::app::test_support::Button;
using paravue::app::test_support::ReportLine;
using paravue::app::test_support::ReportView;
using paravue::app::test_support::RunApp;
using paravue::app::test_support::ViewLines;

class RealDaemonModemsWindow : public RealDaemonModems {
  protected:
    void SetUp() override {
        RealDaemonModems::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        service_.emplace();
        ASSERT_TRUE(SUCCEEDED(service_->apartment.Status()));
    }
    void TearDown() override { service_.reset(); }

    std::optional<real_daemon::WindowService> service_;
};

// Last in this binary: it unplugs the second modem.
TEST_F(RealDaemonModemsWindow, TheChooserSwitchesKeepsItsModemAndFallsBackWhenItIsUnplugged) {
    const int unplugged = real_daemon::ModemPid(1);
    ASSERT_GT(unplugged, 0);
    const AppRun run = RunApp([&](CWandiagDlg& dialog) {
        auto* chooser = dialog.findChild<QComboBox*>(QStringLiteral("modem"));
        ASSERT_NE(chooser, nullptr);
        auto text = [&] { return ReportView(dialog).toPlainText().toStdString(); };
        auto shows = [&](const char* label, const std::string& value) {
            return ViewLines(ReportView(dialog)).contains(ReportLine(label, value.c_str()));
        };
        auto showsModem = [&](Modem& modem) {
            return shows("Interface ID", modem.Get("device-identifier")) &&
                   shows("DeviceId", modem.Get("equipment-identifier")) &&
                   shows("IMSI", modem.sim["sim.properties.imsi"]);
        };

        ASSERT_TRUE(chooser->isVisible());
        ASSERT_EQ(chooser->count(), kModems);
        for (int position = 0; position < kModems; ++position)
            EXPECT_EQ(chooser->itemText(position).toStdString(),
                      std::to_string(position) + ": " +
                          modems_[static_cast<std::size_t>(position)].Entry());
        EXPECT_TRUE(showsModem(modems_[0])) << text();

        chooser->setFocus();
        QTest::keyClick(chooser, Qt::Key_Down);
        EXPECT_EQ(chooser->currentIndex(), 1);
        EXPECT_TRUE(showsModem(modems_[1])) << text();

        // Emptied first, so that what shows after is the Refresh's report.
        ReportView(dialog).setPlainText(QString());
        Button(dialog, "refresh").click();
        EXPECT_TRUE(showsModem(modems_[1])) << "kept across Refresh:\n" << text();
        EXPECT_EQ(chooser->currentIndex(), 1);

        // Unplugged: the daemon drops it, and the window follows by itself.
        ASSERT_EQ(kill(unplugged, SIGKILL), 0);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return shows("Number of MB devices", "1") && showsModem(modems_[0]); },
            kPatienceMs))
            << text();
        EXPECT_FALSE(chooser->isVisible()) << "one modem left: no chooser";
        EXPECT_EQ(Mmcli("-L")["modem-list.length"], "1");
    });
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.dialogShown);
    EXPECT_EQ(run.diagnostics, "");
}

}  // namespace

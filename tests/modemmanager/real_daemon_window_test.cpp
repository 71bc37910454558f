// The window over the real ModemManager daemon (run through
// real_daemon/run_with_modem.py --enable): when the simulated modem's network
// changes the registration, the modem says so unsolicited (+CREG:), the daemon
// updates its state, and the shown report follows by itself.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

#include "platform/mbn.h"
#include "platform/modemmanager/modemmanager_service.h"
#include "platform/runtime.h"
#include "real_daemon.h"
#include "real_daemon_window.h"

#include <QTest>

#include "app/wandiag_dlg.h"
#include "tests/app/test_window.h"

namespace {

using paravue::app::CWandiagDlg;
using paravue::app::test_support::AppRun;
using paravue::app::test_support::ReportLine;
using paravue::app::test_support::ReportView;
using paravue::app::test_support::RunApp;
using paravue::app::test_support::ViewLines;

// The daemon acts on the unsolicited line at once; this only bounds a failure.
constexpr int kPatienceMs = 15000;

class RealDaemonWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        if (std::string why = real_daemon::Unavailable(); !why.empty())
            GTEST_SKIP() << why;
        service_.emplace();
        ASSERT_TRUE(SUCCEEDED(service_->apartment.Status()));
    }
    void TearDown() override { service_.reset(); }

    std::optional<real_daemon::WindowService> service_;
};

TEST_F(RealDaemonWindow, TheModemsRegistrationChangeReachesTheShownReport) {
    ASSERT_TRUE(real_daemon::WaitForModemState("registered"));
    const AppRun run = RunApp([&](CWandiagDlg& dialog) {
        auto text = [&] { return ReportView(dialog).toPlainText().toStdString(); };
        auto waitFor = [&](const QString& line) {
            return QTest::qWaitFor([&] { return ViewLines(ReportView(dialog)).contains(line); },
                                   kPatienceMs);
        };

        EXPECT_TRUE(waitFor(ReportLine("Register State", "HOME"))) << text();
        // Roaming, then home again: each change is an unsolicited line the
        // window shows without "&Refresh" (nothing else rebuilds its report).
        for (auto [stat, word] : {std::pair{5, "ROAMING"}, std::pair{1, "HOME"}}) {
            if (!real_daemon::TellModem("creg " + std::to_string(stat))) {
                ADD_FAILURE() << "the modem's control FIFO cannot be written";
                break;  // the dialog still closes below
            }
            EXPECT_TRUE(waitFor(ReportLine("Register State", word))) << text();
            EXPECT_EQ(real_daemon::Mmcli("-m 0")["modem.3gpp.registration-state"],
                      stat == 5 ? "roaming" : "home");
        }
    });
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.dialogShown);
    EXPECT_EQ(run.diagnostics, "");
}

}  // namespace

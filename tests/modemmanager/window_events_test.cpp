// The window against the ModemManager service and the mock daemon: what the
// daemon announces reaches the shown report by itself, without "&Refresh";
// what NetworkManager saved meanwhile, which nobody announces, with it.
#include <ModemManager.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <sstream>
#include <thread>
#include <utility>
#include <vector>

#include "platform/accounting.h"
#include "service_fixture.h"
// After the boundary's headers: glib makes TRUE and FALSE macros.
#include <glib.h>

#include <QApplication>
#include <QTest>
#include <QTimer>

#include "app/mbn_messages.h"
#include "app/wandiag_app.h"
#include "app/wandiag_dlg.h"
#include "tests/app/test_window.h"

namespace {

using paravue::app::CWandiagApp;
using paravue::app::CWandiagDlg;
using paravue::app::test_support::Button;
using paravue::app::test_support::ReportView;
using paravue::app::test_support::ViewLines;

constexpr const char* k3gpp = "org.freedesktop.ModemManager1.Modem.Modem3gpp";
// No test step waits longer than this for the window to catch up.
constexpr int kPatienceMs = 10000;

// A report line as the window shows it: the label padded to its column.
QString ReportLine(const char* label, const char* value) {
    return QString::fromLatin1(label).leftJustified(35) + QString::fromUtf8(value);
}

const QString kNoDevice = QStringLiteral(
    "No Mobile Broadband Device Found.  Please Insert a Windows 7 Compatible Mobile Data Device.");

// The service notifications that reach the dialog, seen before it handles them.
class NotificationLog final : public QObject {
  public:
    std::vector<int> TakeAll() { return std::exchange(types_, {}); }
    std::size_t Count() const { return types_.size(); }

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (paravue::app::IsMbnNotification(event->type()))
            types_.push_back(event->type());
        return false;
    }

  private:
    std::vector<int> types_;
};

bool Shows(CWandiagDlg& dialog, const QString& line) {
    return ViewLines(ReportView(dialog)).contains(line);
}

// Lets the dialog's loop run until `line` is shown; false when it never is.
bool WaitUntilShown(CWandiagDlg& dialog, const QString& line) {
    return QTest::qWaitFor([&] { return Shows(dialog, line); }, kPatienceMs);
}

std::string ShownText(CWandiagDlg& dialog) {
    return ReportView(dialog).toPlainText().toStdString();
}

class WindowEventsTest : public ServiceTest {
  protected:
    void SetUp() override {
        before_ = paravue::CurrentLiveCounts();
        ServiceTest::SetUp();
    }
    void TearDown() override {
        ServiceTest::TearDown();
        // With the window closed and the service gone, nothing of it lives on.
        const paravue::LiveCounts after = paravue::CurrentLiveCounts();
        EXPECT_EQ(after.serviceObjects, before_.serviceObjects);
        EXPECT_EQ(after.bstrs, before_.bstrs);
        EXPECT_EQ(after.safeArrays, before_.safeArrays);
    }

    // Runs the window as paravue does, over this fixture's service. `whileShown`
    // runs on the first turn of the dialog's loop and may let the loop run
    // on; then the dialog closes as "&Close" would.
    void RunWindow(const std::function<void(CWandiagDlg&, NotificationLog&)>& whileShown) {
        std::ostringstream diagnostics;
        NotificationLog notifications;
        CWandiagApp app(diagnostics);
        bool shown = false;
        QTimer firstTurn;
        firstTurn.setSingleShot(true);
        QObject::connect(&firstTurn, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<CWandiagDlg*>(app.MainWindow());
            if (!dialog) {
                ADD_FAILURE() << "the running dialog is not the main window";
                if (QWidget* modal = QApplication::activeModalWidget())
                    modal->close();
                return;
            }
            shown = dialog->isVisible();
            dialog->installEventFilter(&notifications);
            whileShown(*dialog, notifications);
            dialog->removeEventFilter(&notifications);
            dialog->reject();
        });
        firstTurn.start(0);
        EXPECT_EQ(app.InitInstance(), 0);
        EXPECT_TRUE(shown);
        EXPECT_EQ(diagnostics.str(), "");
        EXPECT_EQ(app.MainWindow(), nullptr);
    }

    bool Set3gpp(unsigned modem, const char* property, guint32 value) {
        return daemon_.Call("SetModemProperty", g_variant_new("(ussv)", modem, k3gpp, property,
                                                              g_variant_new_uint32(value)));
    }

    paravue::LiveCounts before_;
};

TEST_F(WindowEventsTest, ARegisterStateChangeShowsTheNewState) {
    ASSERT_TRUE(daemon_.Start());
    ASSERT_TRUE(daemon_.AddModem(0));
    RunWindow([&](CWandiagDlg& dialog, NotificationLog& notifications) {
        ASSERT_TRUE(Shows(dialog, ReportLine("Register State", "HOME"))) << ShownText(dialog);
        notifications.TakeAll();

        ASSERT_TRUE(Set3gpp(0, "RegistrationState", MM_MODEM_3GPP_REGISTRATION_STATE_ROAMING));
        EXPECT_TRUE(WaitUntilShown(dialog, ReportLine("Register State", "ROAMING")))
            << ShownText(dialog);
        EXPECT_FALSE(Shows(dialog, ReportLine("Register State", "HOME")));
        EXPECT_EQ(notifications.TakeAll(), std::vector<int>{paravue::app::WM_MBN_REGISTER_STATE});
    });
}

TEST_F(WindowEventsTest, APacketServiceChangeRebuildsTheReport) {
    ASSERT_TRUE(daemon_.Start());
    ASSERT_TRUE(daemon_.AddModem(0));
    RunWindow([&](CWandiagDlg& dialog, NotificationLog& notifications) {
        ASSERT_TRUE(Shows(dialog, ReportLine("Provider Name", "Example Mobile")))
            << ShownText(dialog);
        notifications.TakeAll();

        // The report has no line for the packet service itself. The operator's
        // name changes first, which notifies nobody; the packet-service change
        // after it is what must bring the new name to the window.
        ASSERT_TRUE(
            daemon_.Call("SetModemProperty", g_variant_new("(ussv)", 0u, k3gpp, "OperatorName",
                                                           g_variant_new_string("Other Mobile"))));
        ASSERT_TRUE(Set3gpp(0, "PacketServiceState", MM_MODEM_3GPP_PACKET_SERVICE_STATE_DETACHED));
        EXPECT_TRUE(WaitUntilShown(dialog, ReportLine("Provider Name", "Other Mobile")))
            << ShownText(dialog);
        EXPECT_EQ(notifications.TakeAll(),
                  std::vector<int>{paravue::app::WM_MBN_PACKET_SERVICE_STATE});
    });
}

TEST_F(WindowEventsTest, AModemLeavingAndAnotherArrivingAreShown) {
    ASSERT_TRUE(daemon_.Start());
    ASSERT_TRUE(daemon_.AddModem(0));
    RunWindow([&](CWandiagDlg& dialog, NotificationLog& notifications) {
        ASSERT_TRUE(Shows(dialog, ReportLine("Model", "EM12-G"))) << ShownText(dialog);
        notifications.TakeAll();

        ASSERT_TRUE(daemon_.Call("RemoveModem", g_variant_new("(u)", 0u)));
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return ViewLines(ReportView(dialog)) == QStringList{kNoDevice}; }, kPatienceMs))
            << ShownText(dialog);
        EXPECT_EQ(notifications.TakeAll(),
                  std::vector<int>{paravue::app::WM_MBN_INTERFACE_REMOVAL});

        ASSERT_TRUE(
            daemon_.AddModem(1, g_variant_new_parsed("{'modem': <{'Model': <'EM06-E'>}>}")));
        EXPECT_TRUE(WaitUntilShown(dialog, ReportLine("Model", "EM06-E"))) << ShownText(dialog);
        EXPECT_FALSE(Shows(dialog, kNoDevice));
        EXPECT_EQ(notifications.TakeAll(),
                  std::vector<int>{paravue::app::WM_MBN_INTERFACE_ARRIVAL});
    });
}

TEST_F(WindowEventsTest, TheDaemonStoppingShowsThatTheServiceIsGone) {
    ASSERT_TRUE(daemon_.Start());
    ASSERT_TRUE(daemon_.AddModem(0));
    RunWindow([&](CWandiagDlg& dialog, NotificationLog& notifications) {
        ASSERT_TRUE(Shows(dialog, ReportLine("Model", "EM12-G"))) << ShownText(dialog);
        notifications.TakeAll();

        daemon_.Kill();
        // Nobody owns the daemon's name any more (ERROR_SERVICE_NOT_ACTIVE).
        const QString gone = QStringLiteral(
            "Unable to get Mobile Broadband device information. Error code: 0x80070426");
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return ViewLines(ReportView(dialog)) == QStringList{gone}; }, kPatienceMs))
            << ShownText(dialog);
        EXPECT_EQ(notifications.TakeAll(),
                  std::vector<int>{paravue::app::WM_MBN_INTERFACE_REMOVAL});
    });
}

TEST_F(WindowEventsTest, ClosingWhileTheStateKeepsChangingLeavesNothingBehind) {
    ASSERT_TRUE(daemon_.Start());
    ASSERT_TRUE(daemon_.AddModem(0));
    std::atomic<bool> stop = false;
    std::atomic<unsigned> changes = 0;
    std::thread churn([&] {
        for (unsigned i = 0; !stop; ++i) {
            if (!Set3gpp(0, "RegistrationState",
                         i % 2 ? MM_MODEM_3GPP_REGISTRATION_STATE_ROAMING
                               : MM_MODEM_3GPP_REGISTRATION_STATE_HOME)) {
                ADD_FAILURE() << "the mock stopped taking changes";
                return;
            }
            ++changes;
            // Slower than the window rebuilds, so that its loop gets round
            // to closing it.
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    RunWindow([&](CWandiagDlg&, NotificationLog& notifications) {
        // Close in the middle of a stream of notifications.
        EXPECT_TRUE(QTest::qWaitFor([&] { return notifications.Count() >= 3; }, kPatienceMs));
    });
    // The changes go on after the window and its subscriptions are gone.
    const unsigned atClose = changes;
    EXPECT_TRUE(QTest::qWaitFor([&] { return changes >= atClose + 3; }, kPatienceMs));
    stop = true;
    churn.join();
}

TEST_F(WindowEventsTest, RefreshShowsAConnectionSavedSinceTheLastReport) {
    ASSERT_TRUE(daemon_.Start());
    ASSERT_TRUE(daemon_.AddModem(0));
    MockDaemon networkManager(MockDaemon::Service::NetworkManager);
    ASSERT_TRUE(networkManager.Start());
    const QString added = ReportLine(
        "Profiles",
        "<MBNProfile xmlns=\"http://www.microsoft.com/networking/WWAN/profile/v1\">"
        "<Name>Added</Name><IsDefault>true</IsDefault><SubscriberID>310260123456789</SubscriberID>"
        "<SimIccID>8901260123456789012</SimIccID><ConnectionMode>auto</ConnectionMode><Context>"
        "<AccessString>added.example</AccessString><Compression>DISABLE</Compression>"
        "<AuthProtocol>NONE</AuthProtocol></Context></MBNProfile>");
    RunWindow([&](CWandiagDlg& dialog, NotificationLog& notifications) {
        ASSERT_TRUE(Shows(dialog, ReportLine("Profiles", "Nothing Found"))) << ShownText(dialog);
        notifications.TakeAll();

        ASSERT_TRUE(networkManager.AddConnection(
            g_variant_new_parsed("{'connection': {'id': <'Added'>, 'type': <'gsm'>}, 'gsm': "
                                 "{'apn': <'added.example'>}}")));
        Button(dialog, "refresh").click();
        EXPECT_TRUE(WaitUntilShown(dialog, added)) << ShownText(dialog);
        EXPECT_FALSE(Shows(dialog, ReportLine("Profiles", "Nothing Found")));
        EXPECT_EQ(notifications.TakeAll(), std::vector<int>{});
    });
}

}  // namespace

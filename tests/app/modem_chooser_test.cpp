// The modem chooser: shown only with two modems or more, it switches the
// report, keeps its modem by interface ID across Refresh and service events,
// and goes back to the first modem when the chosen one leaves.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QTest>

#include "app/wandiag_dlg.h"
#include "platform/runtime.h"
#include "test_window.h"

namespace paravue::app {
namespace {

using test_support::AppRun;
using test_support::Button;
using test_support::EventTime;
using test_support::ReportLine;
using test_support::ReportRuns;
using test_support::ReportView;
using test_support::RunApp;
using test_support::ScenarioFromJson;
using test_support::TestService;
using test_support::ViewLines;

QComboBox& Chooser(QWidget& dialog) {
    auto* chooser = dialog.findChild<QComboBox*>(QStringLiteral("modem"));
    if (!chooser)
        throw std::logic_error("the dialog has no modem chooser");
    return *chooser;
}

bool ShowsInterface(CWandiagDlg& dialog, const char* id) {
    return ViewLines(ReportView(dialog)).contains(ReportLine("Interface ID", id));
}

QStringList Entries(QComboBox& chooser) {
    QStringList entries;
    for (int i = 0; i < chooser.count(); ++i)
        entries.append(chooser.itemText(i));
    return entries;
}

// Three modems; at 1 ms a fourth arrives in front of them, at 2 ms the one
// chosen below (wwan2) leaves, at 3 ms only one modem is left.
constexpr std::string_view kThreeModems = R"({
  "interfaces": [
    {"interfaceId": "wwan0", "capabilities": {"manufacturer": "Kestrel", "model": "A", "deviceID": "111"}},
    {"interfaceId": "wwan1", "capabilities": {"manufacturer": "Osprey", "model": "B", "deviceID": "222"}},
    {"interfaceId": "wwan2", "capabilities": {"manufacturer": "Kestrel", "model": "C", "deviceID": "333"}}
  ],
  "events": [
    {"afterMs": 1, "event": "OnInterfaceArrival", "patch": {"interfaces": [
      {"interfaceId": "wwan9"}, {"interfaceId": "wwan0"}, {"interfaceId": "wwan1"},
      {"interfaceId": "wwan2", "capabilities": {"model": "C"}}]}},
    {"afterMs": 2, "event": "OnInterfaceRemoval", "patch": {"interfaces": [
      {"interfaceId": "wwan9"}, {"interfaceId": "wwan0"}, {"interfaceId": "wwan1"}]}},
    {"afterMs": 3, "event": "OnInterfaceRemoval", "patch": {"interfaces": [{"interfaceId": "wwan1"}]}}
  ]
})";

void DeliverNextEvent(TestService& service) {
    service.AdvanceClock(std::chrono::milliseconds(1));
    service.WaitForEventsDelivered();
    QCoreApplication::sendPostedEvents();
}

TEST(ModemChooser, SwitchesTheReportKeepsItsModemAndFallsBackWhenItLeaves) {
    TestService service(ScenarioFromJson(kThreeModems), EventTime::Manual);
    AppRun run = RunApp([&](CWandiagDlg& dialog) {
        QComboBox& chooser = Chooser(dialog);
        ASSERT_TRUE(chooser.isVisible());
        EXPECT_EQ(Entries(chooser),
                  (QStringList{"0: wwan0 | Kestrel | A | 111", "1: wwan1 | Osprey | B | 222",
                               "2: wwan2 | Kestrel | C | 333"}));
        EXPECT_TRUE(ShowsInterface(dialog, "wwan0"));
        EXPECT_TRUE(
            ViewLines(ReportView(dialog)).contains(ReportLine("Number of MB devices", "3")));

        // A person's choice, by keyboard as by mouse.
        chooser.setFocus();
        QTest::keyClick(&chooser, Qt::Key_Down);
        QTest::keyClick(&chooser, Qt::Key_Down);
        EXPECT_TRUE(ShowsInterface(dialog, "wwan2"));
        EXPECT_TRUE(ViewLines(ReportView(dialog)).contains(ReportLine("Model", "C")));

        Button(dialog, "refresh").click();
        EXPECT_TRUE(ShowsInterface(dialog, "wwan2")) << "kept across Refresh";

        DeliverNextEvent(service);  // wwan9 arrives first: wwan2 is now at 3
        EXPECT_TRUE(ShowsInterface(dialog, "wwan2")) << "kept by ID, not by position";
        EXPECT_EQ(chooser.count(), 4);
        EXPECT_EQ(chooser.currentIndex(), 3);

        DeliverNextEvent(service);  // wwan2 leaves
        EXPECT_TRUE(ShowsInterface(dialog, "wwan9")) << "back to the first modem";
        EXPECT_EQ(chooser.currentIndex(), 0);
        EXPECT_EQ(chooser.count(), 3);

        QTest::qWait(50);  // whatever the box does with its size, it has done
        EXPECT_EQ(chooser.geometry(), QRect(866, 178, 87, 24)) << "in the buttons' column";

        DeliverNextEvent(service);  // one modem left: no chooser
        EXPECT_TRUE(ShowsInterface(dialog, "wwan1"));
        EXPECT_FALSE(chooser.isVisible());
    });
    EXPECT_EQ(run.status, 0);
}

// With one modem or none the window is as it always was: no chooser, and
// each refresh is one report run, nothing listed.
TEST(ModemChooser, OneModemOrNoneShowsNoChooserAndListsNothing) {
    for (const char* json : {R"({"interfaces": [{"interfaceId": "wwan0"}]})",
                             R"({"interfaces": {"hr": "0x80070490"}})"}) {
        SCOPED_TRACE(json);
        TestService service(ScenarioFromJson(json));
        RunApp([&](CWandiagDlg& dialog) {
            EXPECT_FALSE(Chooser(dialog).isVisible());
            service.ClearCallLog();
            Button(dialog, "refresh").click();
            EXPECT_EQ(ReportRuns(service), 1u);
            EXPECT_FALSE(Chooser(dialog).isVisible());
        });
    }
}

// paravue --modem: the same selector rules as paravue-report; a selector that
// names no one modem is one line and status 2, without a window.
TEST(ModemChooser, TheCommandLineChoosesTheFirstModemShownOrRefusesTheWindow) {
    TestService service(ScenarioFromJson(R"({"interfaces": [
      {"interfaceId": "wwan0", "capabilities": {"deviceID": "111"}},
      {"interfaceId": "wwan1", "capabilities": {"deviceID": "222"}},
      {"interfaceId": "wwan2", "capabilities": {"deviceID": "222"}}]})"));
    struct Case {
        const char* selector;
        int position;  // the modem shown and current in the chooser; -1: refused
    } cases[] = {{"0", 0}, {"2", 2}, {"wwan1", 1}, {"111", 0}, {"222", -1}, {"3", -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.selector);
        const std::string id = "wwan" + std::to_string(c.position);
        AppRun run = RunApp(
            [&](CWandiagDlg& dialog) {
                EXPECT_TRUE(ShowsInterface(dialog, id.c_str()));
                EXPECT_EQ(Chooser(dialog).currentIndex(), c.position);
            },
            c.selector);
        EXPECT_EQ(run.status, c.position < 0 ? 2 : 0);
        EXPECT_EQ(run.dialogShown, c.position >= 0);
        if (c.position < 0) {
            EXPECT_EQ(run.diagnostics.rfind("paravue: ", 0), 0u) << run.diagnostics;
            EXPECT_NE(run.diagnostics.find("'" + std::string(c.selector) + "'"), std::string::npos);
            EXPECT_NE(run.diagnostics.find("2: wwan2"), std::string::npos) << "lists what is there";
            EXPECT_EQ(run.diagnostics.find('\n'), run.diagnostics.size() - 1);
        }
    }
}

}  // namespace
}  // namespace paravue::app

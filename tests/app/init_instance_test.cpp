// Start-up and shutdown: what happens when the service or a subscription step
// fails, that service events reach the running dialog, and that nothing of the
// service is left alive afterwards.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <functional>
#include <memory>
#include <string>

#include "app/wandiag_app.h"
#include "app/wandiag_dlg.h"
#include "platform/accounting.h"
#include "platform/connection_point.h"
#include "platform/mbn.h"
#include "test_window.h"

namespace paravue::app {
namespace {

using test_support::AppRun;
using test_support::EventTime;
using test_support::ReportRuns;
using test_support::ReportView;
using test_support::RunApp;
using test_support::ScenarioFromJson;
using test_support::TestService;
using test_support::ViewLines;

// Fires the scenario's events that are due at `ms` and lets the running dialog handle
// what they posted.
void DeliverEventsUpTo(TestService& service, int ms) {
    service.AdvanceClock(std::chrono::milliseconds(ms));
    service.WaitForEventsDelivered();
    // The notifications reach the dialog through its relay.
    QCoreApplication::sendPostedEvents();
}

TEST(StartUpTest, WhenTheInterfaceManagerCannotBeCreatedNoWindowShowsAndTheFailureIsNamed) {
    TestService service(ScenarioFromJson(R"({"interfaceManager": {"hr": "0x80070005"}})"));
    AppRun run = RunApp();
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(run.dialogShown);
    EXPECT_EQ(run.diagnostics,
              "paravue: cannot create the Mobile Broadband interface manager (status "
              "0x80070005)\n");
    EXPECT_EQ(service.SubscriberCount(), 0u);
}

TEST(StartUpTest, WithoutAnyServiceTheManagerClassIsNotRegistered) {
    AppRun run = RunApp();
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(run.dialogShown);
    EXPECT_NE(run.diagnostics.find("(status 0x80040154)\n"), std::string::npos);
    EXPECT_EQ(run.diagnostics.find('\n'), run.diagnostics.size() - 1);  // one line
}

// Event 1 (due at 1 ms) comes through the interface-manager subscription,
// event 2 (due at 2 ms) through the registration subscription.
constexpr std::string_view kDeviceWithEvents = R"({
  "interfaces": [{"interfaceId": "{IF-1}", "capabilities": {"model": "Before"}}],
  "events": [
    {"afterMs": 1, "event": "OnInterfaceArrival"},
    {"afterMs": 2, "event": "OnRegisterStateChange"}
  ]
})";

struct SubscriptionCase {
    const char* name;
    std::function<void(TestService&)> breakStep;
    std::size_t subscribers;  // while the dialog runs
    bool interfaceEventsRefresh;
    bool registrationEventsRefresh;
};

void PrintTo(const SubscriptionCase& c, std::ostream* os) {
    *os << c.name;
}

class SubscriptionTest : public ::testing::TestWithParam<SubscriptionCase> {};

TEST_P(SubscriptionTest, TheDialogRunsWithTheSubscriptionsThatCouldBeMade) {
    const SubscriptionCase& c = GetParam();
    TestService service(ScenarioFromJson(kDeviceWithEvents), EventTime::Manual);
    c.breakStep(service);

    std::size_t subscribers = 0;
    std::size_t runsAfterInterfaceEvent = 0;
    std::size_t runsAfterRegistrationEvent = 0;
    QStringList shown;
    AppRun run = RunApp([&](CWandiagDlg& dialog) {
        subscribers = service.SubscriberCount();
        shown = ViewLines(ReportView(dialog));
        service.ClearCallLog();
        DeliverEventsUpTo(service, 1);
        runsAfterInterfaceEvent = ReportRuns(service);
        DeliverEventsUpTo(service, 1);
        runsAfterRegistrationEvent = ReportRuns(service) - runsAfterInterfaceEvent;
    });

    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.dialogShown);
    EXPECT_EQ(run.diagnostics, "");
    EXPECT_TRUE(shown.filter(QStringLiteral("Before")).size() == 1) << "the report was built";
    EXPECT_EQ(subscribers, c.subscribers);
    EXPECT_EQ(runsAfterInterfaceEvent, c.interfaceEventsRefresh ? 1u : 0u);
    EXPECT_EQ(runsAfterRegistrationEvent, c.registrationEventsRefresh ? 1u : 0u);
    EXPECT_EQ(service.SubscriberCount(), 0u);
}

const HRESULT kBroken = CONNECT_E_CANNOTCONNECT;

INSTANTIATE_TEST_SUITE_P(
    StartUp, SubscriptionTest,
    ::testing::Values(
        SubscriptionCase{"BothSubscribed", [](TestService&) {}, 2, true, true},
        SubscriptionCase{"NoConnectionPointContainer",
                         [](TestService& s) { s.FailConnectionPointContainer(E_NOINTERFACE); }, 0,
                         false, false},
        // When the first subscription fails the second is not tried.
        SubscriptionCase{"NoInterfaceManagerEventsPoint",
                         [](TestService& s) {
                             s.FailFindConnectionPoint(IID_IMbnInterfaceManagerEvents, kBroken);
                         },
                         0, false, false},
        SubscriptionCase{
            "InterfaceManagerEventsAdviseFails",
            [](TestService& s) { s.FailAdvise(IID_IMbnInterfaceManagerEvents, kBroken); }, 0, false,
            false},
        SubscriptionCase{
            "NoRegistrationEventsPoint",
            [](TestService& s) { s.FailFindConnectionPoint(IID_IMbnRegistrationEvents, kBroken); },
            1, true, false},
        SubscriptionCase{"RegistrationEventsAdviseFails",
                         [](TestService& s) { s.FailAdvise(IID_IMbnRegistrationEvents, kBroken); },
                         1, true, false}),
    [](const ::testing::TestParamInfo<SubscriptionCase>& info) { return info.param.name; });

TEST(ServiceEventTest, AScenarioEventChangesTheShownReportByItself) {
    TestService service(ScenarioFromJson(R"({
      "interfaces": [{"interfaceId": "{IF-1}", "capabilities": {"model": "Model before"}}],
      "events": [{
        "afterMs": 5,
        "event": "OnRegisterStateChange",
        "patch": {"interfaces": [{"interfaceId": "{IF-1}", "capabilities": {"model": "Model after"}}]}
      }]
    })"),
                        EventTime::Manual);
    QString before;
    QString after;
    RunApp([&](CWandiagDlg& dialog) {
        before = ReportView(dialog).toPlainText();
        DeliverEventsUpTo(service, 5);
        after = ReportView(dialog).toPlainText();
    });
    EXPECT_TRUE(before.contains(QStringLiteral("Model before")));
    EXPECT_FALSE(after.contains(QStringLiteral("Model before")));
    EXPECT_TRUE(after.contains(QStringLiteral("Model after")));
}

TEST(ServiceEventTest, ABurstOfEventsRebuildsTheReportOncePerEvent) {
    // Twelve notifications and one mode completion, which notifies nothing.
    std::string events;
    const char* kinds[] = {"OnInterfaceArrival",         "OnInterfaceRemoval",
                           "OnRegisterModeAvailable",    "OnRegisterStateChange",
                           "OnPacketServiceStateChange", "OnRegisterStateChange"};
    for (int i = 0; i < 12; ++i)
        events += std::string(R"({"afterMs": 1, "event": ")") + kinds[i % 6] + "\"},";
    events += R"({"afterMs": 1, "event": "OnSetRegisterModeComplete"})";
    TestService service(
        ScenarioFromJson(R"({"interfaces": [{"interfaceId": "{IF-1}"}], "events": [)" + events +
                         "]}"),
        EventTime::Manual);

    std::size_t runs = 0;
    RunApp([&](CWandiagDlg&) {
        service.ClearCallLog();
        DeliverEventsUpTo(service, 1);
        runs = ReportRuns(service);
    });
    EXPECT_EQ(service.EventsDelivered(), 13u);
    EXPECT_EQ(runs, 12u);
}

TEST(ShutdownTest, NothingOfTheServiceIsLeftAliveEvenWhileEventsKeepArriving) {
    const LiveCounts before = CurrentLiveCounts();
    // Events every millisecond on the real clock from the first subscription
    // on, for longer than the dialog is meant to stay open.
    std::string events;
    for (int ms = 0; ms < 3000; ++ms)
        events += std::string(ms ? "," : "") + R"({"afterMs": )" + std::to_string(ms) +
                  (ms % 2 ? R"(, "event": "OnRegisterStateChange"})"
                          : R"(, "event": "OnInterfaceArrival"})");
    auto service = std::make_unique<TestService>(ScenarioFromJson(
        R"({"interfaces": [{"interfaceId": "{IF-1}"}], "events": [)" + events + "]}"));

    AppRun run = RunApp();
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.dialogShown);
    EXPECT_EQ(service->SubscriberCount(), 0u);

    service.reset();
    EXPECT_EQ(CurrentLiveCounts(), before);
}

}  // namespace
}  // namespace paravue::app

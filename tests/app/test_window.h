// Helpers for the window's tests: running the window, catching opened links,
// recording posted notifications, counting report runs, and finding the
// dialog's controls.
#pragma once

#include <QObject>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/mbn_sinks.h"
#include "app/wandiag_dlg.h"
#include "platform/simulated/scenario.h"
#include "platform/simulated/simulated_service.h"
#include "tests/support/test_service.h"

namespace paravue::app::test_support {

using paravue::test_support::EventTime;
using paravue::test_support::TestService;

struct AppRun {
    int status = -1;
    bool dialogShown = false;
    std::string diagnostics;
};

// Runs InitInstance as paravue does (with `paravue --modem` when a selector
// is given); `whileShown` runs on the first turn of the dialog's loop and may
// let the loop run on, after which the dialog is closed as "&Close" would.
AppRun RunApp(const std::function<void(CWandiagDlg&)>& whileShown = {},
              const std::optional<std::string>& modemSelector = std::nullopt);

// Receives every https: and mailto: link the program opens, instead of a browser.
class OpenedLinks final : public QObject {
    Q_OBJECT

  public:
    OpenedLinks();
    ~OpenedLinks() override;
    QStringList TakeAll();

  public slots:
    void Open(const QUrl& url);

  private:
    QStringList opened_;
};

// Records the kind of every service notification that reaches it.
class EventRecorder final : public QObject {
  public:
    std::vector<MbnNotification::Kind> kinds;

  protected:
    bool event(QEvent* event) override;
};

simulated::Scenario ScenarioFromJson(std::string_view json);
// How many report runs the service saw since its call log was last cleared.
std::size_t ReportRuns(const TestService& service);

QPlainTextEdit& ReportView(QWidget& dialog);
QPushButton& Button(QWidget& dialog, const char* name);
// A report line as the window shows it: the label padded to its column.
QString ReportLine(const char* label, const char* value);
// The view's lines, without the empty one after the last line break.
QStringList ViewLines(const QPlainTextEdit& view);
// A report's text cut at CR LF, without the empty piece after the last one.
QStringList ReportLines(const std::u16string& report);

}  // namespace paravue::app::test_support

// Helpers for the window's tests: catching opened links, recording posted
// notifications, counting report runs, and finding the dialog's controls.
#pragma once

#include <QObject>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>
#include <QUrl>
#include <string>
#include <string_view>
#include <vector>

#include "app/mbn_sinks.h"
#include "platform/simulated/scenario.h"
#include "platform/simulated/simulated_service.h"

namespace paravue::app::test_support {

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
std::size_t ReportRuns(const simulated::SimulatedService& service);

QPlainTextEdit& ReportView(QWidget& dialog);
QPushButton& Button(QWidget& dialog, const char* name);
// The view's lines, without the empty one after the last line break.
QStringList ViewLines(const QPlainTextEdit& view);
// A report's text cut at CR LF, without the empty piece after the last one.
QStringList ReportLines(const std::u16string& report);

}  // namespace paravue::app::test_support

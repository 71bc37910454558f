#include "test_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDesktopServices>
#include <QTimer>
#include <algorithm>
#include <sstream>

#include "app/wandiag_app.h"
#include "platform/runtime.h"

namespace paravue::app::test_support {

AppRun RunApp(const std::function<void(CWandiagDlg&)>& whileShown,
              const std::optional<std::string>& modemSelector) {
    AppRun run;
    std::ostringstream diagnostics;
    CWandiagApp app(diagnostics);
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
        run.dialogShown = dialog->isVisible();
        if (whileShown)
            whileShown(*dialog);
        dialog->reject();
    });
    firstTurn.start(0);
    run.status = app.InitInstance(modemSelector);
    EXPECT_EQ(app.MainWindow(), nullptr);
    run.diagnostics = diagnostics.str();
    return run;
}

OpenedLinks::OpenedLinks() {
    QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "Open");
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), this, "Open");
}

OpenedLinks::~OpenedLinks() {
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
}

QStringList OpenedLinks::TakeAll() {
    return std::exchange(opened_, {});
}

void OpenedLinks::Open(const QUrl& url) {
    opened_.append(url.toString());
}

bool EventRecorder::event(QEvent* event) {
    if (event->type() == MbnNotification::registeredType())
        kinds.push_back(static_cast<MbnNotification*>(event)->kind());
    return QObject::event(event);
}

simulated::Scenario ScenarioFromJson(std::string_view json) {
    return simulated::ParseScenario(json, "test scenario");
}

std::size_t ReportRuns(const TestService& service) {
    std::vector<std::string> calls = service.CallLog();
    return static_cast<std::size_t>(
        std::count(calls.begin(), calls.end(), "CoCreateInstance(MbnInterfaceManager)"));
}

QPlainTextEdit& ReportView(QWidget& dialog) {
    auto* view = dialog.findChild<QPlainTextEdit*>(QStringLiteral("report"));
    if (!view)
        throw std::logic_error("the dialog has no report view");
    return *view;
}

QPushButton& Button(QWidget& dialog, const char* name) {
    auto* button = dialog.findChild<QPushButton*>(QString::fromLatin1(name));
    if (!button)
        throw std::logic_error(std::string("the dialog has no button ") + name);
    return *button;
}

QString ReportLine(const char* label, const char* value) {
    return QString::fromLatin1(label).leftJustified(35) + QString::fromUtf8(value);
}

QStringList ViewLines(const QPlainTextEdit& view) {
    QStringList lines = view.toPlainText().split(QChar(u'\n'));
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

QStringList ReportLines(const std::u16string& report) {
    QStringList lines = QString::fromStdU16String(report).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

}  // namespace paravue::app::test_support

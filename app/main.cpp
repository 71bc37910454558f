// paravue: the window. Takes no arguments of its own; the service is the
// scenario that PARAVUE_SCENARIO names, else the system's.
#include <QApplication>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/wandiag_app.h"
#include "platform/service_choice.h"

namespace {

std::optional<std::string> EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    if (!value || !*value)
        return std::nullopt;
    return std::string(value);
}

// While the application object starts, Qt's platform messages are held back:
// without a display Qt ends the process with a fatal message and a core dump,
// which becomes one line and status 1 instead. Held warnings are passed on
// once the start succeeded.
QtMessageHandler g_previousHandler = nullptr;
std::vector<std::pair<QtMsgType, QString>>* g_heldMessages = nullptr;

void HoldStartMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        std::cerr << "paravue: cannot open a window: no usable display "
                     "(is DISPLAY or WAYLAND_DISPLAY set?)\n";
        std::_Exit(1);
    }
    if (g_heldMessages)
        g_heldMessages->emplace_back(type, text);
    else if (g_previousHandler)
        g_previousHandler(type, context, text);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::pair<QtMsgType, QString>> held;
    g_heldMessages = &held;
    g_previousHandler = qInstallMessageHandler(HoldStartMessages);
    QApplication application(argc, argv);
    g_heldMessages = nullptr;
    qInstallMessageHandler(g_previousHandler);
    for (const auto& [type, text] : held)
        qt_message_output(type, QMessageLogContext(), text);
    QApplication::setApplicationName(QStringLiteral("paravue"));
    QApplication::setDesktopFileName(QStringLiteral("example.paravue.MobileData"));

    std::unique_ptr<paravue::ActiveService> service;
    try {
        // No path of our own: StartService falls back to PARAVUE_SCENARIO.
        service = paravue::StartService(std::nullopt);
    } catch (const paravue::ServiceUnavailable& error) {
        // Without a service there is nothing to show.
        std::cerr << "paravue: " << error.what() << '\n';
        return error.WhatCause() == paravue::ServiceUnavailable::Cause::BadScenario ? 2 : 1;
    }

    if (std::optional<std::string> path = EnvironmentValue("PARAVUE_SCREENSHOT"))
        paravue::app::ScheduleScreenshot(QString::fromStdString(*path));

    paravue::app::CWandiagApp app;
    return app.InitInstance();
}

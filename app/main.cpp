// paravue: the window. Takes no arguments of its own; the service is the
// scenario that PARAVUE_SCENARIO names, else the system's.
#include <QApplication>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "app/wandiag_app.h"
#include "platform/service_choice.h"

namespace {

std::optional<std::string> EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    if (!value || !*value)
        return std::nullopt;
    return std::string(value);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
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

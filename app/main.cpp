// paravue: the window. Its options print and exit, or choose the modem; the
// service is the scenario that PARAVUE_SCENARIO names, else the system's.
#include <QApplication>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/wandiag_app.h"
#include "platform/service_choice.h"
#include "platform/utf.h"

namespace {

constexpr const char* kUsage =
    "Usage: paravue\n"
    "       paravue --modem SELECTOR\n"
    "       paravue --help | --version\n"
    "\n"
    "Shows the Paravue for Mobile Data report of a cellular modem in a window,\n"
    "the first one unless --modem chooses another; with two modems or more the\n"
    "window offers a choice.\n"
    "\n"
    "  --modem SELECTOR  show the modem at this position (0, 1, ...), or with\n"
    "                    this interface ID, or this device ID (IMEI); the device\n"
    "                    ID is the stable choice, as positions change when\n"
    "                    modems come and go\n"
    "  -h, --help        print this text and exit\n"
    "  --version         print the version and exit\n"
    "\n"
    "Environment: PARAVUE_SCENARIO=FILE reads the device from a scenario file\n"
    "instead of the system's service; PARAVUE_SCREENSHOT=FILE saves the window\n"
    "as a PNG file once it shows the report, then closes it.\n"
    "\n"
    "Exit status: 0 when the window was closed, 1 when the service cannot be\n"
    "reached or the screenshot cannot be written, 2 for a bad command line or\n"
    "scenario file, or a --modem that names no modem or more than one.\n";

// The command line, read before Qt sees it: printing the help or the version
// needs no display, and Qt's own options are not ours to accept. An exit
// status when the program ends here, else none; `modem` takes the selector.
std::optional<int> HandleArguments(int argc, char** argv, std::optional<std::string>& modem) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--modem" || argument.starts_with("--modem=")) {
            std::optional<std::string_view> value;
            if (argument != "--modem")
                value = argument.substr(8);
            else if (i + 1 < argc)
                value = argv[++i];
            const char* problem = modem                      ? "--modem given more than once"
                                  : !value || value->empty() ? "--modem needs a selector"
                                                             : nullptr;
            if (problem) {
                std::cerr << "paravue: " << problem << " (see paravue --help)\n";
                return 2;
            }
            modem = std::string(*value);
            continue;
        }
        if (argument == "-h" || argument == "--help") {
            std::cout << kUsage;
            return 0;
        }
        if (argument == "--version") {
            std::cout << "Paravue for Mobile Data " PARAVUE_VERSION "\n";
            return 0;
        }
        std::cerr << "paravue: unknown argument '" << paravue::PrintableText(argument)
                  << "' (see paravue --help)\n";
        return 2;
    }
    return std::nullopt;
}

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
    std::optional<std::string> modem;
    if (std::optional<int> status = HandleArguments(argc, argv, modem))
        return *status;
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

    bool screenshotFailed = false;
    if (std::optional<std::string> path = EnvironmentValue("PARAVUE_SCREENSHOT"))
        paravue::app::ScheduleScreenshot(QString::fromStdString(*path), &screenshotFailed);

    paravue::app::CWandiagApp app(std::cerr, service.get());
    const int status = app.InitInstance(modem);
    // The screenshot was all that was asked for: not having it is a failure.
    return status == 0 && screenshotFailed ? 1 : status;
}

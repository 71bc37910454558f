// The application: start-up, the one run of the main dialog, and shutdown.
#pragma once

#include <iostream>
#include <optional>
#include <string>

#include <QString>

#include "app/mbn_sinks.h"
#include "platform/service_choice.h"

class QObject;

namespace paravue::app {

class CWandiagApp {
  public:
    // Start-up failures are reported as one line on `diagnostics`. The
    // window's runs are planned on `service` when given.
    explicit CWandiagApp(std::ostream& diagnostics = std::cerr, ActiveService* service = nullptr);
    CWandiagApp(const CWandiagApp&) = delete;
    CWandiagApp& operator=(const CWandiagApp&) = delete;

    // Initialises COM, creates the interface manager, finds the modem that
    // `modemSelector` names (when given), subscribes the event sinks, runs the
    // dialog modally and tears everything down again in the reverse order.
    // Returns the process's exit status: 0 once the dialog has run, 1 when COM
    // or the interface manager could not be had or the modems could not be
    // listed, 2 when the selector names no one modem (no window then).
    int InitInstance(const std::optional<std::string>& modemSelector = std::nullopt);

    // The dialog while it is the main window, else null.
    QObject* MainWindow() const { return m_mainWindow.Get(); }

  private:
    std::ostream& m_diagnostics;
    ActiveService* m_service;
    MainWindowSlot m_mainWindow;
};

// For the documentation's screenshot: the next modal dialog is saved to `path`
// (a PNG file) as soon as it is up, and then closed. When the file cannot be
// written, says so on one line and sets `*failed`, which must outlive the dialog.
void ScheduleScreenshot(const QString& path, bool* failed);

}  // namespace paravue::app

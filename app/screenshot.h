// For the documentation's screenshot: when PARAVUE_SCREENSHOT names a PNG
// file, the dialog is saved there as soon as it is up, and then closed.
#pragma once

#include <QString>

namespace paravue::app {

// Arranges for the next modal dialog to be saved to `path` and closed.
void ScheduleScreenshot(const QString& path);

}  // namespace paravue::app

// The dialog's font: "Courier New" 8 pt, which makes the report monospaced.
#pragma once

#include <QFont>

namespace paravue::app {

// The face fontconfig offers for "Courier New" (a metric-compatible one where
// the original is not installed), or the system's fixed font when what it
// offers is not fixed-pitch.
QFont ReportFont();

}  // namespace paravue::app

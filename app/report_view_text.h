// The report text as the report view shows it.
#pragma once

#include <string_view>

#include <QString>

namespace paravue::app {

// Every line of the report ends in CR LF; the view breaks lines on LF alone,
// so CR LF (and a CR on its own, which a service string may carry) becomes one
// line break. Nothing else is changed.
QString ReportViewText(std::u16string_view report);

}  // namespace paravue::app

#include "app/report_view_text.h"

namespace paravue::app {

QString ReportViewText(std::u16string_view report) {
    QString text;
    text.reserve(static_cast<qsizetype>(report.size()));
    for (std::size_t i = 0; i < report.size(); ++i) {
        char16_t c = report[i];
        if (c == u'\r') {
            if (i + 1 < report.size() && report[i + 1] == u'\n')
                ++i;
            text.append(QChar(u'\n'));
        } else {
            text.append(QChar(c));
        }
    }
    return text;
}

}  // namespace paravue::app

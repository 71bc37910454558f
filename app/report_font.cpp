#include "app/report_font.h"

#include <QFontDatabase>
#include <QFontInfo>

namespace paravue::app {

QFont ReportFont() {
    QFont font(QStringLiteral("Courier New"), 8, QFont::Normal);
    font.setStyleHint(QFont::TypeWriter, QFont::PreferMatch);
    font.setFixedPitch(true);
    if (QFontInfo(font).fixedPitch())
        return font;
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSize(8);
    return fixed;
}

}  // namespace paravue::app

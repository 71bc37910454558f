// How report text becomes the view's text: line breaks only, nothing else.
#include <gtest/gtest.h>

#include "app/wandiag_dlg.h"

namespace paravue::app {
namespace {

TEST(ReportViewText, EachLineBreakBecomesOneNewlineAndNothingElseChanges) {
    EXPECT_EQ(ReportViewText(u"A\r\nB\r\n"), QStringLiteral("A\nB\n"));
    EXPECT_EQ(ReportViewText(u"\r\n\r\n"), QStringLiteral("\n\n"));
    // A service string may bring its own breaks: a lone CR or LF is one break too.
    EXPECT_EQ(ReportViewText(u"A\rB\nC\r\n"), QStringLiteral("A\nB\nC\n"));
    EXPECT_EQ(ReportViewText(u"\r\r\n"), QStringLiteral("\n\n"));
    EXPECT_EQ(ReportViewText(u"ends in CR\r"), QStringLiteral("ends in CR\n"));
    EXPECT_EQ(ReportViewText(u""), QString());
}

TEST(ReportViewText, KeepsEveryOtherCharacterAsItCame) {
    const char16_t unpaired[] = {u'x', 0xD800, u'y', 0};
    EXPECT_EQ(ReportViewText(unpaired), QString::fromUtf16(unpaired));
    EXPECT_EQ(ReportViewText(u"<i>\t&amp;\u00e9\U0001F4F6"),
              QString::fromUtf16(u"<i>\t&amp;\u00e9\U0001F4F6"));
}

}  // namespace
}  // namespace paravue::app

// How report text becomes the view's text: line breaks, and escapes for
// what would act on the text rather than be shown.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "app/wandiag_dlg.h"
#include "platform/utf.h"
#include "test_window.h"

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

bool ActsOnText(char16_t c) {
    return (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || (c >= 0x7F && c <= 0x9F) ||
           c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

// Every UTF-16 code unit: controls, DEL, C1 and bidirectional formatting
// characters become a printable escape; every other one stays as it came.
TEST(ReportViewText, ShowsEachControlAndBidiCharacterAsAnEscapeAndKeepsTheRest) {
    for (char32_t code = 0; code <= 0xFFFF; ++code) {
        const auto c = static_cast<char16_t>(code);
        if (c == u'\r' || c == u'\n')
            continue;
        const std::u16string line = {u'<', c, u'>'};
        const QString shown = ReportViewText(line);
        if (!ActsOnText(c)) {
            ASSERT_EQ(shown, QString::fromStdU16String(line))
                << std::hex << static_cast<unsigned>(code);
            continue;
        }
        ASSERT_TRUE(shown.startsWith(QStringLiteral("<\\")) && shown.endsWith(u'>'))
            << std::hex << static_cast<unsigned>(code);
        for (QChar shownChar : shown)
            ASSERT_TRUE(shownChar.unicode() >= 0x20 && shownChar.unicode() < 0x7F)
                << std::hex << static_cast<unsigned>(code);
    }
    EXPECT_EQ(ReportViewText(u"A\u001b]0;x\u0007\u202eB\u009b\r\n"),
              QStringLiteral("A\\x1b]0;x\\x07\\u202eB\\u009b\n"));
}

// The window on a report whose values carry terminal escapes and overrides:
// the view's text holds none of them raw.
TEST(ReportViewText, TheWindowShowsNoRawControlOrBidiCharacter) {
    std::ifstream file(PARAVUE_SOURCE_DIR "/tests/golden/terminal_controls.report",
                       std::ios::binary);
    Report report;
    report.text = Utf8ToUtf16(
        std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()));
    ASSERT_NE(report.text.find(u'\u202e'), std::u16string::npos);
    CWandiagDlg dialog([&](const ModemChoice&) { return report; });
    dialog.show();
    const QString shown = test_support::ReportView(dialog).toPlainText();
    EXPECT_TRUE(shown.contains(QStringLiteral("8949\\u202e0987")));
    for (QChar c : shown)
        EXPECT_FALSE(ActsOnText(c.unicode()) || c == u'\r')
            << std::hex << static_cast<unsigned>(c.unicode());
}

}  // namespace
}  // namespace paravue::app

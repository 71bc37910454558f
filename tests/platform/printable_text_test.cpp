// What reaches a terminal or a view: controls, DEL, C1 and bidirectional
// formatting characters shown as escapes; a report's CR LF line ends kept.
#include "platform/utf.h"

#include <gtest/gtest.h>

namespace paravue {
namespace {

TEST(PrintableText, ShowsEveryCharacterThatWouldActAndKeepsTheRest) {
    struct Case {
        std::string text, oneLine, report;  // as given, LineEnds::Escaped, LineEnds::CrLfKept
    } cases[] = {
        {"A\r\nB\r\n", "A\\r\\nB\\r\\n", "A\r\nB\r\n"},
        {"lone\rCR\nLF\r\r\n\n\r", "lone\\rCR\\nLF\\r\\r\\n\\n\\r", "lone\\rCR\\nLF\\r\r\n\\n\\r"},
        {"\x1b]52;c;eA==\x07\x1b[2J\t\x7f", "\\x1b]52;c;eA==\\x07\\x1b[2J\\t\\x7f",
         "\\x1b]52;c;eA==\\x07\\x1b[2J\\t\\x7f"},
        {std::string("nul\0!", 5), "nul\\x00!", "nul\\x00!"},
        // C1 (U+0080, CSI U+009B, U+009F) and the bidirectional marks,
        // embeddings, overrides and isolates; their neighbours stay.
        {"\u0080\u009b\u009f\u00a0\u061c\u061b\u200e\u200f\u200d\u202a\u202e\u202f",
         "\\u0080\\u009b\\u009f\u00a0\\u061c\u061b\\u200e\\u200f\u200d\\u202a\\u202e\u202f",
         "\\u0080\\u009b\\u009f\u00a0\\u061c\u061b\\u200e\\u200f\u200d\\u202a\\u202e\u202f"},
        {"\u2065\u2066\u2069\u206a", "\u2065\\u2066\\u2069\u206a", "\u2065\\u2066\\u2069\u206a"},
        {"Mod\u00e8le \u2713 \U0001F4F6", "Mod\u00e8le \u2713 \U0001F4F6",
         "Mod\u00e8le \u2713 \U0001F4F6"},
        // Not UTF-8: a bare C1 byte, a cut sequence, an encoded surrogate.
        {"\x9b\xc3\r\n\xed\xa0\x80", "\\x9b\\xc3\\r\\n\\xed\\xa0\\x80",
         "\\x9b\\xc3\r\n\\xed\\xa0\\x80"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.oneLine);
        EXPECT_EQ(PrintableText(c.text), c.oneLine);
        EXPECT_EQ(PrintableText(c.text, LineEnds::CrLfKept), c.report);
    }
}

}  // namespace
}  // namespace paravue

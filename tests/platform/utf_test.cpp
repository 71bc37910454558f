#include "platform/utf.h"

#include <gtest/gtest.h>

namespace paravue {
namespace {

TEST(Utf, RoundTripsEveryPlane) {
    std::u16string text = u"a\u00e9\u20ac\U0001F4F6\r\n";
    text.push_back(u'\0');
    text += u"z";
    EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
    EXPECT_EQ(Utf16ToUtf8(u"\u00e9"), "\xC3\xA9");
}

TEST(Utf, UnpairedSurrogatesBecomeReplacementCharacters) {
    std::u16string lone = {u'a', char16_t(0xD800), u'b', char16_t(0xDC00)};
    EXPECT_EQ(Utf16ToUtf8(lone),
              "a\xEF\xBF\xBD"
              "b\xEF\xBF\xBD");
    std::u16string highAtEnd = {char16_t(0xDBFF)};
    EXPECT_EQ(Utf16ToUtf8(highAtEnd), "\xEF\xBF\xBD");
}

TEST(Utf, MalformedUtf8BecomesReplacementCharacters) {
    EXPECT_EQ(Utf8ToUtf16("\xC3"), u"\uFFFD");  // truncated
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"
                          "x"),
              u"\uFFFDx");                              // overlong
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD");  // encoded surrogate
    EXPECT_EQ(Utf8ToUtf16("\xFF"
                          "a"),
              u"\uFFFDa");
}

}  // namespace
}  // namespace paravue

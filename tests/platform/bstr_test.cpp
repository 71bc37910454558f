#include "platform/bstr.h"

#include <gtest/gtest.h>

#include "platform/accounting.h"
#include "tests/support/bstr_literal.h"

namespace paravue {
namespace {

TEST(Bstr, KeepsLengthAndEmbeddedNuls) {
    const char16_t text[] = u"ab\0cd";
    UniqueBstr s(SysAllocStringLen(text, 5));
    ASSERT_NE(s.Get(), nullptr);
    EXPECT_EQ(SysStringLen(s.Get()), 5u);
    EXPECT_EQ(s.View(), std::u16string_view(text, 5));
    EXPECT_EQ(s.Get()[5], u'\0');  // always terminated
}

TEST(Bstr, NullAndEmptyAreDistinct) {
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    SysFreeString(nullptr);  // allowed
    UniqueBstr empty(SysAllocString(u""));
    ASSERT_NE(empty.Get(), nullptr);
    EXPECT_EQ(SysStringLen(empty.Get()), 0u);
}

TEST(Bstr, NullSourceGivesZeroedStringOfThatLength) {
    UniqueBstr s(SysAllocStringLen(nullptr, 3));
    ASSERT_NE(s.Get(), nullptr);
    EXPECT_EQ(s.View(), std::u16string_view(u"\0\0\0", 3));
}

TEST(Bstr, HolderFreesExactlyOnce) {
    auto before = CurrentLiveCounts().bstrs;
    {
        UniqueBstr a(SysAllocString(u"x"));
        UniqueBstr b(std::move(a));
        EXPECT_EQ(a.Get(), nullptr);
        *b.Put() = SysAllocString(u"y");  // Put frees the old one first
        EXPECT_EQ(CurrentLiveCounts().bstrs, before + 1);
    }
    EXPECT_EQ(CurrentLiveCounts().bstrs, before);
}

TEST(Bstr, AbsurdLengthFailsInsteadOfOverflowing) {
    EXPECT_EQ(SysAllocStringLen(nullptr, 0xFFFFFFFFu), nullptr);
}

}  // namespace
}  // namespace paravue

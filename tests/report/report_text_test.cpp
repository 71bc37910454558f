// The report text: conversions, the two list helpers, the compile-time format
// check and the out-of-memory guarantee.
#include "report/report_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <new>
#include <string>

#include "platform/bstr.h"
#include "platform/mbn.h"

namespace paravue {
namespace {

using report_format::FormatMatches;

// The checker behind Append's format: a mismatch here is a call that
// does not compile.
static_assert(FormatMatches<>(u"Completed Successfully.\r\n"));
static_assert(FormatMatches<std::int32_t>(u"Number %d\r\n"));
static_assert(FormatMatches<std::uint32_t>(u"Value %ld\r\n"));
static_assert(FormatMatches<MBN_REGISTER_STATE>(u"Value %ld\r\n"));
static_assert(FormatMatches<MBN_DATA_CLASS>(u"Value %ld\r\n"));
static_assert(FormatMatches<HRESULT>(u"Error Code: 0x%x\r\n"));
static_assert(FormatMatches<BSTR>(u"%s"));
static_assert(FormatMatches<const char16_t*>(u"%s"));
static_assert(FormatMatches<std::u16string>(u"%s"));
static_assert(FormatMatches<std::u16string_view, std::int32_t>(u"%s and %d"));

static_assert(!FormatMatches<std::int64_t>(u"%ld"), "a 64-bit integer is not %ld");
static_assert(!FormatMatches<std::int16_t>(u"%ld"), "VARIANT_BOOL is not %ld");
static_assert(!FormatMatches<double>(u"%d"));
static_assert(!FormatMatches<bool>(u"%d"));
static_assert(!FormatMatches<std::uint32_t>(u"%d"), "%d is signed only");
static_assert(!FormatMatches<MBN_RADIO>(u"%x"), "%x takes a status, not an enumeration");
static_assert(!FormatMatches<const char*>(u"%s"), "narrow text is not %s");
static_assert(!FormatMatches<BSTR>(u"%ld"));
static_assert(!FormatMatches<std::int32_t>(u"%s"));
static_assert(!FormatMatches<std::int32_t>(u"no conversion"), "too many arguments");
static_assert(!FormatMatches<>(u"%d"), "too few arguments");
static_assert(!FormatMatches<std::int32_t, std::int32_t>(u"%d"));
static_assert(!FormatMatches<std::int32_t>(u"%i"), "only the four conversions");
static_assert(!FormatMatches<std::int32_t>(u"%5d"), "no widths");
static_assert(!FormatMatches<>(u"100%"), "a lone percent sign");
static_assert(!FormatMatches<>(u"%%"));

class ReportTextTest : public ::testing::Test {
  protected:
    void Clear() { text = ReportText(&fault); }

    AppendFault fault;
    ReportText text{&fault};
};

TEST_F(ReportTextTest, NumbersPrintSignedDecimalAndStatusesLowercaseHex) {
    text.Append(u"%ld|", 0x80000000u);
    text.Append(u"%ld|", std::uint32_t{4294967295u});
    text.Append(u"%d|", std::int32_t{-2147483647 - 1});
    text.Append(u"%d|", std::int32_t{0});
    text.Append(u"%ld|", MBN_DATA_CLASS_CUSTOM);
    text.Append(u"0x%x|", E_OUTOFMEMORY);
    text.Append(u"0x%x|", HRESULT{0x57});
    text.Append(u"0x%x|", HRESULT{0});
    text.Append(u"0x%x", MakeHresult(0x80070490));
    EXPECT_EQ(text.Text(),
              u"-2147483648|-1|-2147483648|0|-2147483648|0x8007000e|0x57|0x0|0x80070490");
}

TEST_F(ReportTextTest, StringsStopAtTheFirstNulAndNullPrintsNull) {
    UniqueBstr embedded(AllocBstr(std::u16string_view(u"ab\0cd", 5)));
    UniqueBstr empty(AllocBstr(u""));
    text.Append(u"[%s]", embedded.Get());
    text.Append(u"[%s]", BSTR{nullptr});
    text.Append(u"[%s]", empty.Get());
    text.Append(u"[%s]", std::u16string(u"x\0y", 3));
    text.Append(u"[%s %ld %s]", u"\u00e9\U0001F600", std::int32_t{7}, std::u16string_view(u"z"));
    EXPECT_EQ(text.Text(), u"[ab][(null)][][x][\u00e9\U0001F600 7 z]");
}

TEST_F(ReportTextTest, FormatsAreCopiedWhole) {
    text.Append(u"Number of MB devices               %d\r\n", std::int32_t{2});
    text.Append(u"Connection Context                 %ld:\r\n", std::uint32_t{3});
    EXPECT_EQ(text.Text(),
              u"Number of MB devices               2\r\n"
              u"Connection Context                 3:\r\n");
}

TEST_F(ReportTextTest, DataClassListFollowsTableOrderWhateverTheBits) {
    const std::u16string pad(35, u' ');
    text.AppendDataClassList(0x80000021u);
    EXPECT_EQ(text.Text(), pad + u"GPRS\r\n" + pad + u"LTE\r\n" + pad + u"CUSTOM\r\n");

    Clear();
    text.AppendDataClassList(0xFFFFFFFFu);
    std::u16string all;
    for (const char16_t* word :
         {u"GPRS", u"EDGE", u"UMTS", u"HSDPA", u"HSUPA", u"LTE", u"1XRTT", u"1XEVDO",
          u"1XEVDO_REVA", u"1XEVDV", u"3XRTT", u"1XEVDO_REVB", u"UMB", u"CUSTOM"})
        all += pad + word + u"\r\n";
    EXPECT_EQ(text.Text(), all);
}

TEST_F(ReportTextTest, DataClassListIgnoresUnknownBitsAndHasNoNoneLine) {
    text.AppendDataClassList(0);
    text.AppendDataClassList(0xFFC0u);      // 0x40 to 0x8000
    text.AppendDataClassList(0x7F800000u);  // 0x800000 to 0x40000000
    EXPECT_EQ(text.Text(), u"");
}

TEST_F(ReportTextTest, ProviderStateListSaysNoneOnlyForAnEmptyMask) {
    const std::u16string pad(35, u' ');
    text.AppendProviderStateList(0);
    EXPECT_EQ(text.Text(), pad + u"NONE\r\n");

    Clear();
    text.AppendProviderStateList(0x20);
    EXPECT_EQ(text.Text(), u"");

    text.AppendProviderStateList(0x19);
    EXPECT_EQ(text.Text(), pad + u"HOME\r\n" + pad + u"VISIBLE\r\n" + pad + u"REGISTERED\r\n");

    Clear();
    text.AppendProviderStateList(0x1F);
    EXPECT_EQ(text.Text(), pad + u"HOME\r\n" + pad + u"FORBIDDEN\r\n" + pad + u"PREFERRED\r\n" +
                               pad + u"VISIBLE\r\n" + pad + u"REGISTERED\r\n");
}

TEST_F(ReportTextTest, FailingAppendThrowsAndKeepsTheTextBefore) {
    fault.failAt = 3;
    text.Append(u"one\r\n");
    text.Append(u"two\r\n");
    EXPECT_THROW(text.Append(u"three %d\r\n", std::int32_t{3}), std::bad_alloc);
    EXPECT_EQ(text.Text(), u"one\r\ntwo\r\n");
    EXPECT_EQ(fault.counted, 3u);
    text.Append(u"four\r\n");  // only the chosen append fails
    EXPECT_EQ(text.Text(), u"one\r\ntwo\r\nfour\r\n");
}

TEST_F(ReportTextTest, ListLinesCountAsAppends) {
    fault.failAt = 2;
    EXPECT_THROW(text.AppendDataClassList(0x3), std::bad_alloc);
    EXPECT_EQ(text.Text(), std::u16string(35, u' ') + u"GPRS\r\n");
}

}  // namespace
}  // namespace paravue

#include "platform/safearray.h"

#include <gtest/gtest.h>

#include "platform/accounting.h"
#include "platform/com_object.h"
#include "platform/mbn.h"
#include "tests/support/bstr_literal.h"

namespace paravue {
namespace {

class Probe final : public ServiceObject<Probe, IMbnConnectionProfile> {
  public:
    HRESULT GetProfileXmlData(BSTR* data) override {
        *data = SysAllocString(u"<x/>");
        return S_OK;
    }
};

class SafeArrayTest : public ::testing::Test {
  protected:
    void TearDown() override { EXPECT_EQ(CurrentLiveCounts(), before_); }
    LiveCounts before_ = CurrentLiveCounts();
};

TEST_F(SafeArrayTest, BoundsFollowTheLowerBoundAndCount) {
    UniqueSafeArray array(SafeArrayCreateVector(SafeArrayKind::Bstr, -2, 3));
    LONG lower = 0, upper = 0;
    ASSERT_EQ(SafeArrayGetLBound(array.Get(), 1, &lower), S_OK);
    ASSERT_EQ(SafeArrayGetUBound(array.Get(), 1, &upper), S_OK);
    EXPECT_EQ(lower, -2);
    EXPECT_EQ(upper, 0);
    EXPECT_EQ(SafeArrayGetLBound(array.Get(), 2, &lower), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayGetUBound(array.Get(), 0, &upper), DISP_E_BADINDEX);
}

TEST_F(SafeArrayTest, EmptyArrayHasUpperBoundBelowLowerBound) {
    UniqueSafeArray array(SafeArrayCreateVector(SafeArrayKind::Unknown, 0, 0));
    LONG lower = 7, upper = 7;
    ASSERT_EQ(SafeArrayGetLBound(array.Get(), 1, &lower), S_OK);
    ASSERT_EQ(SafeArrayGetUBound(array.Get(), 1, &upper), S_OK);
    EXPECT_LT(upper, lower);
}

TEST_F(SafeArrayTest, ElementFetchCopiesStringsAndChecksIndex) {
    UniqueSafeArray array(SafeArrayCreateVector(SafeArrayKind::Bstr, 1, 1));
    UniqueBstr in(SysAllocString(u"+1 555"));
    LONG index = 1;
    BSTR raw = in.Get();
    ASSERT_EQ(SafeArrayPutElement(array.Get(), &index, &raw), S_OK);
    UniqueBstr out;
    ASSERT_EQ(SafeArrayGetElement(array.Get(), &index, out.Put()), S_OK);
    EXPECT_EQ(out.View(), u"+1 555");
    EXPECT_NE(out.Get(), in.Get());  // the caller owns a copy
    LONG outside = 2;
    UniqueBstr none;
    EXPECT_EQ(SafeArrayGetElement(array.Get(), &outside, none.Put()), DISP_E_BADINDEX);
    outside = 0;
    EXPECT_EQ(SafeArrayGetElement(array.Get(), &outside, none.Put()), DISP_E_BADINDEX);
}

TEST_F(SafeArrayTest, RecordFetchGivesFreshStringsEvenWhenNull) {
    UniqueSafeArray array(SafeArrayCreateVector(SafeArrayKind::MbnProvider, 0, 1));
    OwnedRecord<MBN_PROVIDER> in;
    in.Mutable().providerID = SysAllocString(u"00101");
    in.Mutable().providerName = nullptr;
    in.Mutable().providerState = 0x19;
    LONG index = 0;
    ASSERT_EQ(SafeArrayPutElement(array.Get(), &index, &*in), S_OK);
    OwnedRecord<MBN_PROVIDER> out;
    ASSERT_EQ(SafeArrayGetElement(array.Get(), &index, out.Put()), S_OK);
    EXPECT_EQ(BstrView(out->providerID), u"00101");
    EXPECT_NE(out->providerID, in->providerID);
    EXPECT_EQ(out->providerName, nullptr);
    EXPECT_EQ(out->providerState, 0x19u);
}

TEST_F(SafeArrayTest, InterfaceFetchTakesItsOwnReference) {
    UniqueSafeArray array(SafeArrayCreateVector(SafeArrayKind::Unknown, 0, 1));
    {
        ComPtr<Probe> probe = MakeComObject<Probe>();
        IMbnConnectionProfile* raw = probe.Get();
        LONG index = 0;
        ASSERT_EQ(SafeArrayPutElement(array.Get(), &index, &raw), S_OK);
    }
    ComPtr<IMbnConnectionProfile> fetched;
    LONG index = 0;
    ASSERT_EQ(SafeArrayGetElement(array.Get(), &index, fetched.Put()), S_OK);
    array.Reset();  // destroying the array keeps the fetched element alive
    UniqueBstr xml;
    ASSERT_EQ(fetched->GetProfileXmlData(xml.Put()), S_OK);
    EXPECT_EQ(xml.View(), u"<x/>");
}

TEST_F(SafeArrayTest, NullArgumentsAreRefused) {
    LONG value;
    EXPECT_EQ(SafeArrayGetLBound(nullptr, 1, &value), E_INVALIDARG);
    EXPECT_EQ(SafeArrayDestroy(nullptr), S_OK);
    UniqueSafeArray array(SafeArrayCreateVector(SafeArrayKind::Bstr, 0, 1));
    EXPECT_EQ(SafeArrayGetElement(array.Get(), nullptr, &value), E_INVALIDARG);
}

// What a fetch that a layer client failed leaves in the caller's slot, per kind.
TEST_F(SafeArrayTest, ClearedElementsAreEmptyOfTheirKind) {
    int dummy = 0;
    IUnknown* object = reinterpret_cast<IUnknown*>(&dummy);
    BSTR text = reinterpret_cast<BSTR>(&dummy);
    MBN_CONTEXT context{};
    context.contextID = 7;
    context.accessString = text;
    MBN_PROVIDER provider{};
    provider.providerState = 1;
    provider.providerName = text;
    SafeArrayClearElement(SafeArrayKind::Unknown, &object);
    SafeArrayClearElement(SafeArrayKind::Bstr, &text);
    SafeArrayClearElement(SafeArrayKind::MbnContext, &context);
    SafeArrayClearElement(SafeArrayKind::MbnProvider, &provider);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(context.contextID, 0u);
    EXPECT_EQ(context.accessString, nullptr);
    EXPECT_EQ(provider.providerState, 0u);
    EXPECT_EQ(provider.providerName, nullptr);
}

}  // namespace
}  // namespace paravue

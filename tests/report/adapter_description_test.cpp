// The adapter description lookup: matching rule, attempts and waits.
#include "report/adapter_description.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "platform/adapters.h"

namespace paravue {
namespace {

using std::chrono::milliseconds;

class AdapterDescriptionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        previous_ = SetAdapterLookupSleep([this](milliseconds d) { waits_.push_back(d); });
    }
    void TearDown() override { SetAdapterLookupSleep(previous_); }

    // Lists `records` on every attempt after `failures` failed ones.
    AdapterLister Listing(std::vector<AdapterRecord> records, int failures = 0) {
        return [this, records, failures](std::vector<AdapterRecord>& out) {
            if (++attempts_ <= failures)
                return AdapterListing::Failed;
            out = records;
            return AdapterListing::Listed;
        };
    }

    std::u16string Lookup(std::u16string id) {
        std::u16string description;
        LookupAdapterDescription(std::move(id), description);
        return description;
    }

    std::vector<milliseconds> waits_;
    int attempts_ = 0;

  private:
    AdapterLookupSleep previous_;
};

TEST_F(AdapterDescriptionTest, NamesMatchIgnoringTheCaseOfAsciiLettersOnly) {
    AdapterListerOverride adapters(Listing({
        {"{ab-cd}", u"Modem"}, {"\xC3\xA9x", u"Accented"},  // "éx"
    }));
    EXPECT_EQ(Lookup(u"{AB-CD}"), u"Modem");
    EXPECT_EQ(Lookup(u"\u00e9X"), u"Accented");
    EXPECT_EQ(Lookup(u"\u00c9x"), u"") << "only A-Z fold";
    EXPECT_EQ(Lookup(u"{AB-CD"), u"");
    EXPECT_TRUE(waits_.empty());
}

TEST_F(AdapterDescriptionTest, FirstNonEmptyDescriptionWins) {
    AdapterListerOverride adapters(Listing({
        {"other", u"Other"},
        {"wwan0", u""},
        {"WWAN0", u"Second"},
        {"wwan0", u"Third"},
    }));
    EXPECT_EQ(Lookup(u"wwan0"), u"Second");
}

TEST_F(AdapterDescriptionTest, MissingNameCountsAsEmptyAndAnEmptyIdStopsAfterOneRecord) {
    {
        AdapterListerOverride adapters(Listing({{std::nullopt, u"Nameless"}, {"", u"Empty"}}));
        EXPECT_EQ(Lookup(u""), u"Nameless");
    }
    {
        AdapterListerOverride adapters(Listing({{"eth0", u"Wired"}, {"", u"Empty"}}));
        EXPECT_EQ(Lookup(u""), u"") << "the walk ends after the first record";
        EXPECT_EQ(Lookup(u"eth1"), u"");
    }
}

TEST_F(AdapterDescriptionTest, FailedListingIsRetriedOnceAfterAWait) {
    AdapterListerOverride adapters(Listing({{"wwan0", u"Modem"}}, /*failures=*/1));
    EXPECT_EQ(Lookup(u"wwan0"), u"Modem");
    EXPECT_EQ(attempts_, 2);
    EXPECT_EQ(waits_, std::vector<milliseconds>{milliseconds(2000)});
}

TEST_F(AdapterDescriptionTest, GivesUpAfterTwoFailedAttemptsAndTwoWaits) {
    AdapterListerOverride adapters(Listing({{"wwan0", u"Modem"}}, /*failures=*/5));
    EXPECT_EQ(Lookup(u"wwan0"), u"");
    EXPECT_EQ(attempts_, 2);
    EXPECT_EQ(waits_, (std::vector<milliseconds>{milliseconds(2000), milliseconds(2000)}));
}

TEST_F(AdapterDescriptionTest, AnEmptyListIsAFailedAttempt) {
    AdapterListerOverride adapters(Listing({}));
    EXPECT_EQ(Lookup(u"wwan0"), u"");
    EXPECT_EQ(attempts_, 2);
    EXPECT_EQ(waits_.size(), 2u);
}

TEST_F(AdapterDescriptionTest, UnavailableSourceReturnsAtOnce) {
    AdapterListerOverride adapters([this](std::vector<AdapterRecord>&) {
        ++attempts_;
        return AdapterListing::Unavailable;
    });
    EXPECT_EQ(Lookup(u"wwan0"), u"");
    EXPECT_EQ(attempts_, 1);
    EXPECT_TRUE(waits_.empty());
}

}  // namespace
}  // namespace paravue

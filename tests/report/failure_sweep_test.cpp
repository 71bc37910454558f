// Fails every call of a complete run in turn, and then every append, and
// checks that the report ends (or goes on) exactly where it should and that
// nothing the run obtained is left alive.
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "failure_table.h"
#include "report_run_fixture.h"
#include "tests/support/test_service.h"

namespace paravue {
namespace {
using namespace sweep;

class FailureSweepTest : public ReportRunTest {
  protected:
    static simulated::Scenario CompleteDevice() {
        return simulated::LoadScenarioFile(std::string(PARAVUE_SOURCE_DIR) +
                                           "/tests/golden/complete_device.json");
    }

    // One run against a fresh service; `arrange` sets up its failure.
    template <class Arrange>
    void Run(Arrange&& arrange, std::vector<std::string>* calls = nullptr,
             AppendFault* fault = nullptr) {
        test_support::TestService service(CompleteDevice());
        const LiveCounts before = CurrentLiveCounts();
        arrange(service);
        report_ = CollectReport(fault);
        EXPECT_EQ(CurrentLiveCounts(), before) << "the run left something alive";
        if (calls)
            *calls = service.CallLog();
    }

    void SetUp() override {
        ReportRunTest::SetUp();
        Run([](test_support::TestService&) {}, &calls_);
        complete_ = report_.text;
        ASSERT_FALSE(report_.outOfMemory);
        ASSERT_TRUE(report_.completed) << "the complete device must complete";
        ASSERT_TRUE(complete_.ends_with(kCompleted));
    }

    std::vector<std::string> calls_;
    std::u16string complete_;
    Report report_;
};

TEST_F(FailureSweepTest, EveryCallOfTheCompleteRunIsExpectedAndEveryExpectationIsMet) {
    std::map<CallKey, Outcome> table = ExpectedOutcomes(E_FAIL);
    std::map<std::string, int> seen;
    std::set<CallKey> made;
    for (const std::string& call : calls_)
        made.insert({call, ++seen[call]});
    for (const CallKey& call : made)
        EXPECT_TRUE(table.contains(call))
            << "unexpected call " << call.first << " #" << call.second;
    for (const auto& [call, outcome] : table)
        EXPECT_TRUE(made.contains(call))
            << "call never made: " << call.first << " #" << call.second;
}

TEST_F(FailureSweepTest, FailingEachCallEndsOrContinuesTheRunAsPrescribed) {
    const std::vector<std::u16string> completeLines = Lines(complete_);
    for (HRESULT status : {E_FAIL, kNotFound, kNotSupported}) {
        const std::map<CallKey, Outcome> table = ExpectedOutcomes(status);
        std::map<std::string, int> seen;
        for (std::size_t k = 1; k <= calls_.size(); ++k) {
            const CallKey call{calls_[k - 1], ++seen[calls_[k - 1]]};
            SCOPED_TRACE(call.first + " #" + std::to_string(call.second) + " failing with " +
                         std::to_string(static_cast<unsigned>(status)));
            auto expected = table.find(call);
            if (expected == table.end())
                continue;  // reported by the test above
            const Outcome& outcome = expected->second;

            Run([&](test_support::TestService& service) { service.FailCall(k, status); });
            ASSERT_FALSE(report_.outOfMemory);
            const std::vector<std::u16string> lines = Lines(report_.text);
            switch (outcome.kind) {
                case Outcome::EndsWithoutLine:
                case Outcome::EndsWithLine:
                    ExpectEnded(outcome, status, report_.text, report_.completed, complete_);
                    break;
                case Outcome::GoesOn: {
                    const std::u16string appears = WithStatus(outcome.line, status);
                    std::vector<std::u16string> rest;
                    bool appeared = false;
                    for (const std::u16string& line : lines) {
                        if (!appears.empty() && line == appears) {
                            appeared = true;
                        } else {
                            rest.push_back(line);
                        }
                        EXPECT_NE(line, outcome.missing);
                    }
                    EXPECT_EQ(appeared, !appears.empty());
                    EXPECT_TRUE(IsSubsequence(rest, completeLines));
                    EXPECT_EQ(report_.completed, outcome.completes);
                    EXPECT_EQ(report_.text.ends_with(kCompleted), outcome.completes);
                    // Everything after the failing call's section is still there.
                    EXPECT_NE(report_.text.find(u"Profiles                           <MBNProfile>"),
                              std::u16string::npos);
                    break;
                }
            }
        }
    }
}

TEST_F(FailureSweepTest, RunningOutOfMemoryAtEachAppendKeepsTheTextAndReleasesEverything) {
    AppendFault counter;
    Run([](test_support::TestService&) {}, nullptr, &counter);
    const std::size_t appends = counter.counted;
    ASSERT_EQ(report_.text, complete_);
    ASSERT_GT(appends, 50u);

    std::size_t previousLength = 0;
    for (std::size_t k = 1; k <= appends; ++k) {
        SCOPED_TRACE("append #" + std::to_string(k) + " fails");
        AppendFault fault{.failAt = k};
        Run([](test_support::TestService&) {}, nullptr, &fault);
        EXPECT_TRUE(report_.outOfMemory) << "the failure must end the run";
        EXPECT_FALSE(report_.completed);
        EXPECT_TRUE(IsPrefix(report_.text, complete_)) << "the text before stays intact";
        if (k > 1) {
            EXPECT_GT(report_.text.size(), previousLength) << "each append adds text";
        }
        previousLength = report_.text.size();
        if (k == appends) {
            EXPECT_EQ(report_.text + kCompleted, complete_);
        }

        Run([](test_support::TestService&) {});
        EXPECT_FALSE(report_.outOfMemory);
        EXPECT_EQ(report_.text, complete_) << "the next run is complete and clean";
    }
}

}  // namespace
}  // namespace paravue

// Fails every call of a report run against the ModemManager service on the
// mock daemon in turn, through the interception layer, and checks the report
// against the same table as the simulated service's sweep; nothing the run
// obtained may be left alive.
#include <map>
#include <optional>

#include "platform/accounting.h"
#include "platform/intercept/layer.h"
#include "platform/utf.h"
#include "report/collect_report.h"
#include "service_fixture.h"
#include "tests/report/failure_table.h"
#include "tests/support/call_log.h"
// After the boundary's headers: glib makes TRUE and FALSE macros.
#include <gio/gio.h>

namespace {

using namespace paravue;
using namespace paravue::sweep;

class ModemManagerSweep : public ServiceTest {
  protected:
    void SetUp() override {
        ServiceTest::SetUp();
        if (IsSkipped())
            return;
        layer_.emplace(std::vector<intercept::Client*>{&log_});
    }
    void TearDown() override {
        layer_.reset();
        ServiceTest::TearDown();
    }

    test_support::CallLog log_;
    std::optional<intercept::Layer> layer_;
};

TEST_F(ModemManagerSweep, FailingEachCallEndsOrContinuesTheRunAsForTheSimulatedService) {
    ASSERT_TRUE(daemon_.Start());
    ASSERT_TRUE(daemon_.AddModem(0));
    const Report complete = CollectReport();
    ASSERT_TRUE(complete.completed) << Utf16ToUtf8(complete.text);
    const std::vector<std::string> calls = log_.Calls();
    ASSERT_GT(calls.size(), 30u) << "the run's calls pass the layer";
    const std::vector<std::u16string> completeLines = Lines(complete.text);
    const LiveCounts before = CurrentLiveCounts();
    const std::map<CallKey, Outcome> table = ExpectedOutcomes(E_FAIL);

    std::map<std::string, int> seen;
    for (std::size_t k = 1; k <= calls.size(); ++k) {
        const CallKey call{calls[k - 1], ++seen[calls[k - 1]]};
        SCOPED_TRACE(call.first + " #" + std::to_string(call.second));
        // The mock's lists are not the golden device's: a later occurrence
        // fails like the first.
        auto expected = table.find(call);
        if (expected == table.end())
            expected = table.find({call.first, 1});
        if (expected == table.end()) {
            ADD_FAILURE() << "a call the table does not know";
            continue;
        }
        const Outcome& outcome = expected->second;
        log_.Clear();
        log_.FailCall(k, E_FAIL);
        const Report report = CollectReport();
        EXPECT_EQ(CurrentLiveCounts(), before) << "the run left something alive";
        ASSERT_EQ(log_.Calls()[k - 1], call.first) << "the run made the same calls up to k";
        const std::vector<std::u16string> lines = Lines(report.text);
        switch (outcome.kind) {
            case Outcome::EndsWithoutLine:
            case Outcome::EndsWithLine:
                ExpectEnded(outcome, E_FAIL, report.text, report.completed, complete.text);
                break;
            case Outcome::GoesOn: {
                const std::u16string appears = WithStatus(outcome.line, E_FAIL);
                std::vector<std::u16string> rest;
                for (const std::u16string& line : lines)
                    if (appears.empty() || line != appears)
                        rest.push_back(line);
                EXPECT_NE(report.text, complete.text) << "a line is missing";
                EXPECT_TRUE(IsSubsequence(rest, completeLines));
                EXPECT_EQ(report.completed, outcome.completes);
                break;
            }
        }
    }
}

}  // namespace

// The chosen modem in a report run, and the listing that selectors are
// resolved on: a list that changed under the choice describes nothing, and a
// listing that failed part way resolves no selector.
#include "platform/utf.h"
#include "report/modems.h"
#include "report_run_fixture.h"

namespace paravue {
namespace {

using ModemChoiceTest = ReportRunTest;

simulated::Scenario FromJson(const std::string& json) {
    return simulated::ParseScenario(json, "test scenario");
}

constexpr const char* kTwo =
    R"({"interfaces": [{"interfaceId": "wwan0"}, {"interfaceId": "wwan1", "capabilities": {"model": "B"}}]})";

TEST_F(ModemChoiceTest, AChoiceTheListNoLongerHoldsDescribesNothing) {
    simulated::SimulatedService service(FromJson(kTwo));
    const Report second = CollectReport(ModemChoice{1, u"wwan1"});
    EXPECT_FALSE(second.modemMissing);
    EXPECT_EQ(second.modemCount, 2);
    EXPECT_NE(second.text.find(u"Interface ID                       wwan1\r\n"
                               u"Technology"),
              std::u16string::npos);
    for (const ModemChoice& gone : {ModemChoice{2, std::nullopt}, ModemChoice{1, u"wwan0"}}) {
        const Report report = CollectReport(gone);
        EXPECT_TRUE(report.modemMissing);
        EXPECT_FALSE(report.completed);
        EXPECT_EQ(report.text, u"Number of MB devices               2\r\n");
    }
}

TEST_F(ModemChoiceTest, AListingEndsOnTheReportsFailureLineAndThenResolvesNothing) {
    struct Case {
        std::string json;
        std::u16string lastLine;  // the listing's last line
        bool whole;
        SelectorProblem problem;  // resolving "wwan0"
    } cases[] = {
        {kTwo, u"Modem 1                            wwan1 |  | B | \r\n", true,
         SelectorProblem::None},
        {R"({"interfaces": [{"interfaceId": "wwan0"}, {"capabilities": {"hr": "0x80004005"}}]})",
         u"Unable to get interface capability. Error Code: 0x80004005\r\n", false,
         SelectorProblem::CannotList},
        {R"({"interfaces": {"items": [{"interfaceId": "wwan0"}, {"hr": "0x8007000E"}]}})",
         u"Unexpected error when retrieving interface information from the safe array. Error "
         u"Code: 0x8007000e\r\n",
         false, SelectorProblem::CannotList},
        {R"({"interfaceManager": {"hr": "0x80070422"}})",
         u"Unable to use Windows 7 Mobile Broadband. Error code: 0x80070422\r\n", false,
         SelectorProblem::CannotList},
        {R"({"interfaces": {"hr": "0x80070490"}})",
         u"No Mobile Broadband Device Found.  Please Insert a Windows 7 Compatible Mobile Data "
         u"Device.\r\n",
         true, SelectorProblem::NoMatch},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.json);
        ModemListing listing;
        {
            simulated::SimulatedService service(FromJson(c.json));
            listing = ListModems();
        }
        EXPECT_TRUE(listing.text.ends_with(c.lastLine)) << Utf16ToUtf8(listing.text);
        EXPECT_EQ(listing.whole, c.whole);
        EXPECT_EQ(ResolveSelector("wwan0", listing).problem, c.problem);
    }
}

}  // namespace
}  // namespace paravue

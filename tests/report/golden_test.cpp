// Every tests/golden/<case>.json, run through a report, must give exactly the
// bytes of tests/golden/<case>.report. Adding a case is adding the two files.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "platform/utf.h"
#include "report_run_fixture.h"

namespace paravue {
namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

using GoldenTest = ReportRunTest;

TEST_F(GoldenTest, EveryScenarioGivesItsExpectedReport) {
    const fs::path directory = fs::path(PARAVUE_SOURCE_DIR) / "tests" / "golden";
    std::set<fs::path> scenarios;
    for (const fs::directory_entry& entry : fs::directory_iterator(directory))
        if (entry.path().extension() == ".json")
            scenarios.insert(entry.path());
    ASSERT_GE(scenarios.size(), 10u) << "golden cases went missing from " << directory;

    for (const fs::path& scenarioPath : scenarios) {
        SCOPED_TRACE(scenarioPath.filename().string());
        fs::path expectedPath = scenarioPath;
        expectedPath.replace_extension(".report");
        ASSERT_TRUE(fs::exists(expectedPath)) << "no expected report beside the scenario";
        Report report;
        {
            simulated::SimulatedService service(simulated::LoadScenarioFile(scenarioPath));
            const LiveCounts before = CurrentLiveCounts();
            report = CollectReport();
            EXPECT_EQ(CurrentLiveCounts(), before) << "the run left something alive";
        }
        EXPECT_EQ(Utf16ToUtf8(report.text), ReadBytes(expectedPath));
    }
}

}  // namespace
}  // namespace paravue

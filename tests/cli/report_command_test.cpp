// paravue-report's command in process, where memory exhaustion can be staged.
#include "cli/report_command.h"

#include <gtest/gtest.h>

#include <sstream>

#include "platform/accounting.h"
#include "report/append_fault.h"

namespace paravue {
namespace {

TEST(ReportCommandInProcess, OutOfMemoryPrintsTheReportSoFarAndExitsOne) {
    const std::string scenario = std::string(PARAVUE_SOURCE_DIR) + "/tests/golden/two_devices.json";
    AppendFault fault{.failAt =
                          3};  // the third line: after "Number of MB devices" and "Interface ID"
    std::ostringstream out;
    std::ostringstream err;
    const int status = RunReportCommand({"--scenario", scenario}, out, err, &fault);

    EXPECT_EQ(status, 1);
    EXPECT_EQ(out.str(),
              "Number of MB devices               2\r\n"
              "Interface ID                       wwan0\r\n");
    EXPECT_NE(err.str().find("out of memory"), std::string::npos);
    EXPECT_EQ(CurrentLiveCounts(), LiveCounts{});

    std::ostringstream again;
    EXPECT_EQ(RunReportCommand({"--scenario", scenario}, again, err), 1);
    EXPECT_TRUE(again.str().ends_with("Error Code: 0x8054820a\r\n")) << "the next run is whole";
}

}  // namespace
}  // namespace paravue

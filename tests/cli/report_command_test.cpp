// paravue-report's command in process, where memory exhaustion and a full
// disk can be staged.
#include "cli/report_command.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "platform/accounting.h"
#include "report/append_fault.h"
#include "tests/cli/captured_stream.h"

namespace paravue {
namespace {

const std::string kTwoDevices = std::string(PARAVUE_SOURCE_DIR) + "/tests/golden/two_devices.json";

TEST(ReportCommandInProcess, OutOfMemoryPrintsTheReportSoFarAndExitsOne) {
    AppendFault fault{.failAt =
                          3};  // the third line: after "Number of MB devices" and "Interface ID"
    CapturedStream out;
    CapturedStream err;
    const int status = RunReportCommand({"--scenario", kTwoDevices}, out.get(), err.get(), &fault);

    EXPECT_EQ(status, 1);
    EXPECT_EQ(out.Text(),
              "Number of MB devices               2\r\n"
              "Interface ID                       wwan0\r\n");
    EXPECT_NE(err.Text().find("out of memory"), std::string::npos);
    EXPECT_EQ(CurrentLiveCounts(), LiveCounts{});

    CapturedStream again;
    EXPECT_EQ(RunReportCommand({"--scenario", kTwoDevices}, again.get(), err.get()), 1);
    EXPECT_TRUE(again.Text().ends_with("Error Code: 0x8054820a\r\n")) << "the next run is whole";
}

TEST(ReportCommandInProcess, AReportThatCannotBeWrittenIsAFailureNotASuccess) {
    struct FileClose {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, FileClose> full(std::fopen("/dev/full", "w"));
    if (!full)
        GTEST_SKIP() << "no /dev/full here";
    CapturedStream err;
    const std::string demo = std::string(PARAVUE_SOURCE_DIR) + "/examples/demo.json";

    EXPECT_EQ(RunReportCommand({"--scenario", demo}, full.get(), err.get()), 1);
    EXPECT_EQ(err.Text(), "paravue-report: cannot write the report\n");
}

}  // namespace
}  // namespace paravue

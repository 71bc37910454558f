// paravue-report --modem and --list over a simulated service with four
// modems: every selector form, the ambiguous and unmatched selectors, the
// listing plain and masked, and captures that replay with the same selector.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli/report_command.h"
#include "tests/cli/captured_stream.h"

namespace paravue {
namespace {

namespace fs = std::filesystem;

using Result = CommandResult;

// Position 1 has a device ID that looks like a position; positions 2 and 3
// share a device ID.
constexpr const char* kFourModems = R"({"interfaces": [
  {"interfaceId": "wwan0", "capabilities": {"deviceID": "356938035643809", "manufacturer": "Kestrel", "model": "A"}},
  {"interfaceId": "{GUID-1}", "capabilities": {"deviceID": "7", "manufacturer": "Osprey", "model": "B"}},
  {"interfaceId": "wwan2", "capabilities": {"deviceID": "490154203237518", "manufacturer": "Kestrel", "model": "C"}},
  {"interfaceId": "wwan3", "capabilities": {"deviceID": "490154203237518", "manufacturer": "Kestrel", "model": "D"}}
]})";

class ModemSelection : public ::testing::Test {
  protected:
    void SetUp() override {
        directory_ = fs::temp_directory_path() / ("paravue-modems-" + std::to_string(::getpid()));
        fs::create_directories(directory_);
        std::ofstream(Path("modems.json")) << kFourModems;
    }
    void TearDown() override { fs::remove_all(directory_); }
    std::string Path(const std::string& name) const { return (directory_ / name).string(); }
    Result Run(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"--scenario", Path("modems.json")});
        return RunCommand(arguments);
    }

    fs::path directory_;
};

TEST_F(ModemSelection, EachSelectorFormNamesOneModemOrIsRefusedListingWhatIsThere) {
    struct Case {
        std::string selector;
        std::string interfaceId;  // of the report; empty when refused
        std::string problem;      // how the refusal starts
    } cases[] = {
        {"0", "wwan0", ""},
        {"2", "wwan2", ""},
        {"{GUID-1}", "{GUID-1}", ""},
        {"wwan3", "wwan3", ""},
        {"356938035643809", "wwan0", ""},
        {"7", "{GUID-1}", ""},  // no position 7: the device ID
        {"490154203237518", "", "--modem '490154203237518' names more than one modem"},
        {"4", "", "no modem matches --modem '4'"},
        {"02", "", "no modem matches --modem '02'"},  // not a position as written
        {"WWAN0", "", "no modem matches --modem 'WWAN0'"},
        {"\x1b[2J", "", "no modem matches --modem '\\x1b[2J'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.selector);
        const Result result = Run({"--modem", c.selector});
        if (c.interfaceId.empty()) {
            EXPECT_EQ(result.status, 2);
            EXPECT_EQ(result.out, "");
            EXPECT_EQ(result.err.rfind("paravue-report: " + c.problem, 0), 0u) << result.err;
            EXPECT_NE(result.err.find("; 3: wwan3 | Kestrel | D | 490154203237518\n"),
                      std::string::npos)
                << result.err;
            EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << "one line";
            continue;
        }
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.out.rfind("Number of MB devices               4\r\n"
                                   "Interface ID                       " +
                                       c.interfaceId + "\r\n",
                                   0),
                  0u)
            << result.out;
        EXPECT_EQ(result.err, "");
    }
    EXPECT_EQ(Run({"--modem", "0"}).out, Run({}).out) << "position 0 is the plain report";
    EXPECT_EQ(Run({"--modem=wwan2"}).out, Run({"--modem", "2"}).out);
    for (const auto& bad : std::vector<std::vector<std::string>>{{"--modem"},
                                                                 {"--modem="},
                                                                 {"--modem", "1", "--modem", "2"},
                                                                 {"--list", "--modem", "1"}}) {
        const Result result = Run(bad);
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.out, "");
    }
}

TEST_F(ModemSelection, ListShowsEveryModemMaskedAsTheReportIsUnderRedact) {
    const Result plain = Run({"--list"});
    EXPECT_EQ(plain.status, 0);
    EXPECT_EQ(plain.out,
              "Modem 0                            wwan0 | Kestrel | A | 356938035643809\r\n"
              "Modem 1                            {GUID-1} | Osprey | B | 7\r\n"
              "Modem 2                            wwan2 | Kestrel | C | 490154203237518\r\n"
              "Modem 3                            wwan3 | Kestrel | D | 490154203237518\r\n");
    const Result masked = Run({"--list", "--redact"});
    EXPECT_EQ(masked.status, 0);
    EXPECT_EQ(masked.out,
              "Modem 0                            wwan0 | Kestrel | A | XXXXXXXXXXXXXXX\r\n"
              "Modem 1                            interface-1 | Osprey | B | X\r\n"
              "Modem 2                            wwan2 | Kestrel | C | XXXXXXXXXXXXXXX\r\n"
              "Modem 3                            wwan3 | Kestrel | D | XXXXXXXXXXXXXXX\r\n");
    // The selector is what its user knows; the refusal shows what is there masked.
    const Result refused = Run({"--redact", "--modem", "9"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.err.find("356938035643809"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("1: interface-1 | Osprey | B | X;"), std::string::npos)
        << refused.err;
    EXPECT_NE(Run({"--redact", "--modem", "356938035643809"})
                  .out.find("Model                              A\r\n"),
              std::string::npos);

    const std::string examples = std::string(PARAVUE_SOURCE_DIR) + "/examples/";
    const Result none = RunCommand({"--scenario", examples + "no-device.json", "--list"});
    EXPECT_EQ(none.out,
              "No Mobile Broadband Device Found.  Please Insert a Windows 7 Compatible Mobile "
              "Data Device.\r\n");
    EXPECT_EQ(none.status, 1);
}

TEST_F(ModemSelection, ACaptureReplaysToTheSameReportWithTheSameSelector) {
    const std::vector<std::vector<std::string>> runs = {{"--modem", "7"},
                                                        {"--modem", "wwan3"},
                                                        {"--modem", "2", "--redact"},
                                                        {"--list"},
                                                        {"--list", "--redact"}};
    for (const std::vector<std::string>& options : runs) {
        SCOPED_TRACE(::testing::PrintToString(options));
        std::vector<std::string> capturing = options;
        capturing.insert(capturing.end(), {"--capture", Path("device.json")});
        const Result original = Run(capturing);
        ASSERT_EQ(original.err, "");
        std::vector<std::string> replaying = {"--scenario", Path("device.json")};
        for (const std::string& option : options)
            if (option != "--redact")
                replaying.push_back(option);
        const Result replayed = RunCommand(replaying);
        EXPECT_EQ(replayed.out, original.out);
        EXPECT_EQ(replayed.status, original.status);
    }
}

}  // namespace
}  // namespace paravue

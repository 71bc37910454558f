// paravue-report --capture and --redact in process: every golden scenario and
// example captured and replayed, the masking, and the file appearing whole or
// not at all.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cli/report_command.h"
#include "platform/accounting.h"
#include "platform/capture/capture_file.h"
#include "platform/capture/redaction.h"
#include "platform/simulated/scenario.h"
#include "platform/utf.h"
#include "report/append_fault.h"
#include "tests/cli/captured_stream.h"

namespace paravue {
namespace {

namespace fs = std::filesystem;

using Result = CommandResult;

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every golden scenario and every example.
std::vector<fs::path> Scenarios() {
    std::vector<fs::path> paths;
    for (const char* folder : {"/tests/golden", "/examples"})
        for (const auto& entry : fs::directory_iterator(std::string(PARAVUE_SOURCE_DIR) + folder))
            if (entry.path().extension() == ".json")
                paths.push_back(entry.path());
    std::sort(paths.begin(), paths.end());
    return paths;
}

class Capture : public ::testing::Test {
  protected:
    void SetUp() override {
        directory_ = fs::temp_directory_path() / ("paravue-capture-" + std::to_string(::getpid()));
        fs::create_directories(directory_);
    }
    void TearDown() override {
        fs::remove_all(directory_);
        EXPECT_EQ(CurrentLiveCounts(), LiveCounts{});
    }
    std::string Path(const std::string& name) const { return (directory_ / name).string(); }
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(directory_))
            names.push_back(entry.path().filename().string());
        return names;
    }

    fs::path directory_;
};

TEST_F(Capture, EveryScenarioReplaysToTheSameReportAndStatus) {
    const std::vector<fs::path> scenarios = Scenarios();
    ASSERT_GT(scenarios.size(), 30u);
    for (const fs::path& source : scenarios) {
        SCOPED_TRACE(source.filename().string());
        const Result original = RunCommand({"--scenario", source.string()});
        const Result captured =
            RunCommand({"--scenario", source.string(), "--capture", Path("device.json")});
        EXPECT_EQ(captured.out, original.out) << "capturing changes nothing of the run";
        EXPECT_EQ(captured.status, original.status);
        EXPECT_EQ(captured.err, "");
        const Result replayed = RunCommand({"--scenario", Path("device.json")});
        EXPECT_EQ(replayed.out, original.out);
        EXPECT_EQ(replayed.status, original.status);
        // A capture of the replay is the same file: nothing is lost or added.
        RunCommand({"--scenario", Path("device.json"), "--capture", Path("again.json")});
        EXPECT_EQ(ReadBytes(Path("again.json")), ReadBytes(Path("device.json")));
    }
}

// The identifiers a scenario holds that a mask changes.
std::vector<std::string> Identifiers(const simulated::Scenario& scenario) {
    std::vector<std::string> found;
    auto add = [&](const simulated::String& text, std::size_t kept) {
        if (text && text->size() > kept + 1)
            found.push_back(Utf16ToUtf8(*text));
    };
    for (const auto& item : scenario.interfaces.value.items) {
        const simulated::Interface& mbn = item.value;
        add(mbn.capabilities.value.deviceID, capture::kDeviceIdKept);
        add(mbn.subscriber.value.subscriberId.value, capture::kSubscriberIdKept);
        add(mbn.subscriber.value.simIccId.value, capture::kSimIccIdKept);
        for (const auto& number : mbn.subscriber.value.telephoneNumbers.value.items)
            if (number.value && number.value->find_first_of(u"0123456789") != std::u16string::npos)
                found.push_back(Utf16ToUtf8(*number.value));
        for (const auto& context : mbn.connectionContext.value.provisionedContexts.value.items) {
            add(context.value.userName, 0);
            add(context.value.password, 0);
        }
        // Free text that is not a kernel device name gets a pseudonym.
        auto addFreeText = [&](const simulated::String& text) {
            if (text && text->size() > 5 && !capture::IsKernelNetDeviceName(*text))
                found.push_back(Utf16ToUtf8(*text));
        };
        addFreeText(mbn.interfaceId.value);
        addFreeText(mbn.connection.value.connectionId.value);
        addFreeText(mbn.connection.value.connectionState.value.profileName);
    }
    return found;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        end = end == std::string::npos ? text.size() : end + 2;
        lines.push_back(text.substr(start, end - start));
        start = end;
    }
    return lines;
}

TEST_F(Capture, RedactionMasksEveryIdentifierAndTheMaskedFileReplaysToTheMaskedReport) {
    std::size_t identifiersSeen = 0;
    for (const fs::path& source : Scenarios()) {
        SCOPED_TRACE(source.filename().string());
        const Result plain = RunCommand({"--scenario", source.string()});
        const Result masked = RunCommand(
            {"--scenario", source.string(), "--redact", "--capture", Path("device.json")});
        const std::string file = ReadBytes(Path("device.json"));
        EXPECT_EQ(masked.status, plain.status);
        for (const std::string& identifier :
             Identifiers(simulated::LoadScenarioFile(source.string()))) {
            if (plain.out.find(identifier) != std::string::npos)
                ++identifiersSeen;
            EXPECT_EQ(masked.out.find(identifier), std::string::npos) << identifier;
            EXPECT_EQ(file.find(identifier), std::string::npos) << identifier;
        }
        // Same lines, same labels: only values change.
        const std::vector<std::string> plainLines = Lines(plain.out);
        const std::vector<std::string> maskedLines = Lines(masked.out);
        ASSERT_EQ(maskedLines.size(), plainLines.size());
        for (std::size_t i = 0; i < plainLines.size(); ++i)
            EXPECT_EQ(maskedLines[i].substr(0, 35), plainLines[i].substr(0, 35));

        const Result replayed = RunCommand({"--scenario", Path("device.json")});
        EXPECT_EQ(replayed.out, masked.out);
        EXPECT_EQ(replayed.status, masked.status);
        EXPECT_EQ(RunCommand({"--scenario", source.string(), "--redact"}).out, masked.out)
            << "--redact masks the same with or without --capture";
    }
    EXPECT_GT(identifiersSeen, 10u) << "the scenarios must show identifiers to mask";
}

// The capture keeps only the adapter records the "Device name" look-up went by
// (or one blank record when none matched, so that the replay does not wait for
// adapters), and redaction gives the matching name the interface ID's pseudonym.
TEST_F(Capture, OnlyTheAdaptersTheLookUpWentByAreCapturedAndStillMatchWhenRedacted) {
    const std::string others =
        R"({"name": "docker0", "description": "bridge"}, {"name": "tun-acme-corp", "description": ""},
           {"name": null, "description": "unnamed"}, {"name": "wg-alice-home", "description": "wg"})";
    struct Case {
        std::string interfaceId, adapters, captured;
        bool redact = false;
    };
    const Case cases[] = {
        {"wwan0",
         others +
             R"(, {"name": "WWAN0", "description": ""}, {"name": "wwan0", "description": "Modem"})",
         R"([{"name":"WWAN0","description":""},{"name":"wwan0","description":"Modem"}])"},
        {"wwan0", others, R"([{"name":null,"description":""}])"},
        {"", others, R"([{"name":null,"description":""}])"},
        {"", R"({"name": null, "description": "unnamed"}, )" + others,
         R"([{"name":null,"description":"unnamed"}])"},
        {"{4D2A0B9E-71C3}", others + R"(, {"name": "{4d2a0b9e-71c3}", "description": "Modem"})",
         R"([{"name":"interface-1","description":"Modem"}])", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.interfaceId + " " + c.adapters);
        std::ofstream(Path("source.json"))
            << R"({"interfaces": [{"interfaceId": ")" << c.interfaceId << R"("}], "adapters": [)"
            << c.adapters << "]}";
        std::vector<std::string> arguments = {"--scenario", Path("source.json"), "--capture",
                                              Path("device.json")};
        if (c.redact)
            arguments.push_back("--redact");
        const Result captured = RunCommand(arguments);
        const std::string file = ReadBytes(Path("device.json"));
        std::string compact;
        for (char ch : file.substr(file.find("\"adapters\"") + 12))
            if (ch != ' ' && ch != '\n')
                compact += ch;
        EXPECT_EQ(compact.substr(0, c.captured.size()), c.captured) << file;
        const Result replayed = RunCommand({"--scenario", Path("device.json")});
        EXPECT_EQ(replayed.out, captured.out);
        if (!c.redact) {
            EXPECT_EQ(captured.out, RunCommand({"--scenario", Path("source.json")}).out);
        }
    }
}

TEST(Redaction, MasksKeepLengthAndPrefixAndReachIntoProfileXml) {
    auto MaskProfileXml = [](std::u16string_view xml) {
        return capture::Redaction().ProfileXml(xml);
    };
    EXPECT_EQ(capture::MaskKeeping(u"234200123456789", 5), u"23420XXXXXXXXXX");
    EXPECT_EQ(capture::MaskKeeping(u"123", 5), u"XXX");
    EXPECT_EQ(capture::MaskDigits(u"+44 (0)7700-900"), u"+XX (X)XXXX-XXX");
    EXPECT_EQ(capture::MaskSecret(u""), u"");
    EXPECT_EQ(capture::MaskSecret(u"x"), u"********");
    struct Case {
        std::u16string xml, masked;
    };
    const Case cases[] = {
        {u"<SubscriberID>234200123456789</SubscriberID>",
         u"<SubscriberID>23420XXXXXXXXXX</SubscriberID>"},
        {u"<m:SimIccID a=\"1\">8944200011223344556</m:SimIccID>",
         u"<m:SimIccID a=\"value-1\">8944200XXXXXXXXXXXX</m:SimIccID>"},
        {u"<P><UserName>bob</UserName><Password><![CDATA[s<e>cret]]></Password></P>",
         u"<P><UserName>********</UserName><Password><![CDATA[********]]></Password></P>"},
        {u"<P><UserName/><Password></Password><Name>Anvil</Name></P>",
         u"<P><UserName/><Password/><Name>profile-1</Name></P>"},
        {u"<SubscriberIDs>234200123456789</SubscriberIDs>",
         u"<SubscriberIDs>text-1</SubscriberIDs>"},
        {u"<Password>open", std::u16string(capture::kWithheldProfileXml)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MaskProfileXml(c.xml), c.masked) << Utf16ToUtf8(c.xml);
}

TEST_F(Capture, AFileIsWrittenWholeOnlyForAFinishedRunAndOtherwiseNothingIsLeft) {
    const std::string scenario = std::string(PARAVUE_SOURCE_DIR) + "/examples/demo.json";
    struct Case {
        std::string target;
        std::string message;
    };
    fs::create_directories(directory_ / "a directory");
    const Case cases[] = {
        {Path("missing/device.json"), "cannot write " + Path("missing/device.json") + ": "},
        {Path("a directory"), "cannot write " + Path("a directory") + ": Is a directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        const Result result = RunCommand({"--scenario", scenario, "--capture", c.target});
        EXPECT_EQ(result.status, 2);
        EXPECT_NE(result.out.find("Completed Successfully."), std::string::npos)
            << "the report is printed all the same";
        EXPECT_EQ(result.err.find("paravue-report: " + c.message), 0u) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1);
    }
    EXPECT_EQ(Files(), std::vector<std::string>{"a directory"}) << "no temporary file is left";

    // A run that ran out of memory did not finish: no file.
    AppendFault fault{.failAt = 3};
    EXPECT_EQ(RunCommand({"--scenario", scenario, "--capture", Path("device.json")}, &fault).status,
              1);
    EXPECT_FALSE(fs::exists(Path("device.json")));

    // A finished run replaces an older file.
    std::ofstream(Path("device.json")) << "old";
    EXPECT_EQ(RunCommand({"--scenario", scenario, "--capture", Path("device.json")}).status, 0);
    EXPECT_EQ(ReadBytes(Path("device.json")).find("\"interfaces\""), 4u);

    for (const char* bad : {"--capture", "--capture="}) {
        const Result result = RunCommand({"--scenario", scenario, bad});
        EXPECT_EQ(result.status, 2);
        EXPECT_NE(result.err.find("--capture needs a file"), std::string::npos);
        EXPECT_EQ(result.out, "");
    }
}

// Targets a capture must not replace are refused before the run, with one
// line, and left as they were; a symbolic link is replaced, never followed.
// The file is private (whatever the umask lets through), or keeps the
// permissions of the regular file it replaces.
TEST_F(Capture, SpecialFilesAreRefusedAndTheFileIsPrivateOrKeepsTheModeItReplaces) {
    const std::string scenario = std::string(PARAVUE_SOURCE_DIR) + "/examples/demo.json";
    auto typeOf = [](const std::string& path) {
        struct stat status {};
        return ::lstat(path.c_str(), &status) == 0 ? status.st_mode & S_IFMT : 0;
    };
    ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
    const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{.sun_family = AF_UNIX, .sun_path = {}};
    Path("socket").copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    std::vector<std::string> special = {Path("fifo"), Path("socket")};
    // A device node of its own where allowed (as root), never a system one.
    if (::mknod(Path("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0)
        special.push_back(Path("null"));
    for (const std::string& target : special) {
        SCOPED_TRACE(target);
        const mode_t type = typeOf(target);
        const Result result = RunCommand({"--scenario", scenario, "--capture", target});
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, "paravue-report: cannot write " + target + ": not a regular file\n");
        EXPECT_EQ(typeOf(target), type);
    }
    ::close(socket);

    // Put there after the check and before the rename: refused all the same.
    {
        capture::PendingFile pending(Path("late"), "{}");
        ASSERT_EQ(::mkfifo(Path("late").c_str(), 0600), 0);
        EXPECT_EQ(pending.Commit(), "not a regular file");
        EXPECT_EQ(typeOf(Path("late")), S_IFIFO);
    }

    std::ofstream(Path("linked")) << "old";
    fs::permissions(Path("linked"), fs::perms(0644));
    fs::create_symlink(Path("linked"), Path("link"));
    const struct {
        std::string target;
        int before;  // its permissions, or -1 for no file
        int after;
    } cases[] = {
        {Path("new.json"), -1, 0600},       {Path("shared.json"), 0644, 0644},
        {Path("group.json"), 0640, 0640},   {Path("private.json"), 0600, 0600},
        {Path("setuid.json"), 04755, 0755}, {Path("link"), -1, 0600},
    };
    const mode_t umask = ::umask(0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        if (c.before >= 0) {
            std::ofstream(c.target) << "old";
            ASSERT_EQ(::chmod(c.target.c_str(), static_cast<mode_t>(c.before)), 0);
        }
        EXPECT_EQ(RunCommand({"--scenario", scenario, "--capture", c.target}).status, 0);
        struct stat status {};
        ASSERT_EQ(::lstat(c.target.c_str(), &status), 0);
        EXPECT_TRUE(S_ISREG(status.st_mode));
        EXPECT_EQ(status.st_mode & 07777, static_cast<mode_t>(c.after));
        EXPECT_EQ(ReadBytes(c.target).find("\"interfaces\""), 4u);
    }
    ::umask(umask);
    EXPECT_EQ(ReadBytes(Path("linked")), "old") << "the link's target is untouched";
    EXPECT_EQ(Files().size(), special.size() + 2 + std::size(cases)) << "no temporary file is left";
}

}  // namespace
}  // namespace paravue

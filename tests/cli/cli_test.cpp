// paravue-report as a process: exit statuses, the exact bytes on standard
// output, and one clear message for a bad command line or scenario.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;

const std::string kSource = PARAVUE_SOURCE_DIR;

struct Result {
    int exitStatus = -1;
    std::string out;
    std::string err;
};

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Runs the program with `arguments` (already quoted as needed) under `environment`
// ("NAME=value ..." or empty), PARAVUE_SCENARIO removed unless it is given there.
Result RunReport(const std::string& arguments, const std::string& environment = "") {
    const fs::path directory =
        fs::temp_directory_path() / ("paravue-cli-" + std::to_string(::getpid()));
    fs::create_directories(directory);
    const fs::path out = directory / "out";
    const fs::path err = directory / "err";
    const std::string command = "env -u PARAVUE_SCENARIO " + environment + " " +
                                Quoted(PARAVUE_REPORT_BINARY) + " " + arguments + " >" +
                                Quoted(out) + " 2>" + Quoted(err);
    const int status = std::system(command.c_str());
    Result result;
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = ReadBytes(out);
    result.err = ReadBytes(err);
    fs::remove_all(directory);
    return result;
}

std::string Golden(const std::string& name) {
    return kSource + "/tests/golden/" + name;
}

TEST(ReportCommand, VersionAndHelp) {
    Result version = RunReport("--version");
    EXPECT_EQ(version.exitStatus, 0);
    EXPECT_EQ(version.out, "Paravue for Mobile Data 1.0.0.1\n");

    Result help = RunReport("--help");
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_NE(help.out.find("--scenario FILE"), std::string::npos);
    EXPECT_NE(help.out.find("PARAVUE_SCENARIO"), std::string::npos);
    Result shortHelp = RunReport("-h");
    EXPECT_EQ(shortHelp.exitStatus, 0);
    EXPECT_EQ(shortHelp.out, help.out);
}

// Input made to hurt: a bad command line, a number nothing can hold, text
// that would drive the terminal, bytes that are not UTF-8, a file without
// end. Each is refused with status 2 and one printable line naming the
// place, and nothing is read past the size bound.
TEST(ReportCommand, HostileInputIsRefusedOnOnePrintableLine) {
    const fs::path dir =
        fs::temp_directory_path() / ("paravue-hostile-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    auto write = [&](const std::string& name, const std::string& bytes) {
        std::ofstream(dir / name, std::ios::binary) << bytes;
        return Quoted((dir / name).string());
    };
    {
        std::ofstream big(dir / "big.json", std::ios::binary);
        big << "{}";
    }
    fs::resize_file(dir / "big.json", 16 * 1024 * 1024 + 1);  // sparse: nothing to write
    const std::string fifo = Quoted((dir / "fifo\x1b]0;x\x07").string());
    ASSERT_EQ(::mkfifo((dir / "fifo\x1b]0;x\x07").c_str(), 0600), 0);

    struct Case {
        std::string arguments;
        std::string mentions;  // exactly as the line must show it
    } cases[] = {
        {"--bogus", "paravue-report: unknown argument '--bogus' (see paravue-report --help)\n"},
        {"--scenario", "--scenario needs a file"},
        {"--scenario ''", "--scenario needs a file"},
        {"extra", "unknown argument 'extra'"},
        {"--scenario a --scenario b", "--scenario given more than once"},
        {Quoted("--\x1b[2J\n"), "unknown argument '--\\x1b[2J\\n'"},
        {"--scenario " + write("overflow.json", R"({"interfaces":[{"readyState":1e400}]})"),
         "overflow.json: at interfaces[0].readyState: number too large"},
        {"--scenario " + write("key.json", R"({"bogus\n\u001b[2J": 1})"),
         "at bogus\\n\\x1b[2J: unknown key"},
        {"--scenario " +
             write("event.json", R"({"events": [{"event": "On\u001b]0;owned\u0007"}]})"),
         "\"On\\x1b]0;owned\\x07\""},
        {"--scenario " + write("bytes.json", "{\"a\xff\xfe\x9b\": 1}"), "\\xff"},
        {"--scenario " + Quoted((dir / "gone\n\x1b[31m.json").string()),
         "gone\\n\\x1b[31m.json: cannot read"},
        {"--scenario " + Quoted((dir / "big.json").string()), "big.json: larger than 16 MiB"},
        {"--scenario /dev/zero", "/dev/zero: larger than 16 MiB"},
        {"--capture " + fifo, "fifo\\x1b]0;x\\x07: not a regular file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        Result result = RunReport(c.arguments);
        EXPECT_EQ(result.exitStatus, 2);
        EXPECT_EQ(result.out, "");
        EXPECT_TRUE(result.err.starts_with("paravue-report: ")) << result.err;
        EXPECT_NE(result.err.find(c.mentions), std::string::npos) << result.err;
        // One line, and nothing in it a terminal would act on or cannot show.
        EXPECT_TRUE(result.err.ends_with("\n"));
        EXPECT_TRUE(std::all_of(result.err.begin(), result.err.end() - 1, [](char c) {
            auto byte = static_cast<unsigned char>(c);
            return byte >= 0x20 && byte != 0x7F && byte < 0x80;
        })) << result.err;
    }

    // Within the bound, a pipe serves as well as a file.
    Result piped = RunReport("--scenario /dev/stdin <" + Quoted(Golden("complete_device.json")));
    EXPECT_EQ(piped.exitStatus, 0);
    EXPECT_EQ(piped.out, ReadBytes(Golden("complete_device.report")));
    fs::remove_all(dir);
}

TEST(ReportCommand, PrintsTheReportByteForByteAndExitsByHowItEnded) {
    struct Case {
        const char* scenario;
        int exitStatus;
    } cases[] = {
        {"complete_device", 0},         // multi-byte UTF-8 nowhere, CR LF everywhere
        {"capability_edge_values", 1},  // non-ASCII text and a NUL-cut string
        {"empty_device_list", 0},       // no device, yet completed
        {"no_device", 1},
        {"last_profile_s_false", 1},  // the last call's S_FALSE is not S_OK
        {"earlier_profiles_fail", 0},
        {"second_preferred_provider_fails", 0},  // bare line feeds inside a profile
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario);
        Result result =
            RunReport("--scenario " + Quoted(Golden(std::string(c.scenario) + ".json")));
        EXPECT_EQ(result.exitStatus, c.exitStatus);
        EXPECT_EQ(result.out, ReadBytes(Golden(std::string(c.scenario) + ".report")));
        EXPECT_EQ(result.err, "");
    }
}

TEST(ReportCommand, OnlyTheRunsOwnCompletionLineCounts) {
    // The profile text ends with the completion sentence, but the run did not write it.
    Result result =
        RunReport("--scenario " + Quoted(kSource + "/tests/cli/completion_text_in_profile.json"));
    EXPECT_TRUE(result.out.ends_with("<P/>\r\nCompleted Successfully.\r\n"));
    EXPECT_EQ(result.exitStatus, 1);
}

TEST(ReportCommand, ScenarioComesFromTheOptionElseTheEnvironment) {
    const std::string complete = Golden("complete_device.json");
    const std::string noDevice = Golden("no_device.json");

    Result fromEnvironment = RunReport("", "PARAVUE_SCENARIO=" + Quoted(complete));
    EXPECT_EQ(fromEnvironment.exitStatus, 0);
    EXPECT_EQ(fromEnvironment.out, ReadBytes(Golden("complete_device.report")));

    Result optionWins =
        RunReport("--scenario " + Quoted(noDevice), "PARAVUE_SCENARIO=" + Quoted(complete));
    EXPECT_EQ(optionWins.exitStatus, 1);
    EXPECT_EQ(optionWins.out, ReadBytes(Golden("no_device.report")));

    Result badEnvironment =
        RunReport("", "PARAVUE_SCENARIO=" + Quoted(kSource + "/tests/cli/bad/malformed.json"));
    EXPECT_EQ(badEnvironment.exitStatus, 2);
    EXPECT_EQ(badEnvironment.out, "");
}

#ifdef PARAVUE_NO_SYSTEM_SERVICE
TEST(ReportCommand, WithoutAScenarioTheServiceIsMissing) {
    Result result = RunReport("");
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.out, "Unable to use Windows 7 Mobile Broadband. Error code: 0x80040154\r\n");
}
#endif

TEST(ReportCommand, BadScenarioFilesExitTwoWithOneClearMessage) {
    struct Case {
        const char* file;
        const char* mentions;  // what the message must point at
    } cases[] = {
        {"malformed.json", "malformed.json:1:"},  // line:column
        {"wrong_type.json", "interfaces[0].signal.strength"},
        {"unknown_key.json", "interfaces[0].signal.strenght"},
        {"out_of_range.json", "interfaces[0].readyState"},
        {"missing.json", "missing.json"},
        {"a_directory.json", "a_directory.json"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Result result = RunReport("--scenario " + Quoted(kSource + "/tests/cli/bad/" + c.file));
        EXPECT_EQ(result.exitStatus, 2);
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err.find(c.mentions), std::string::npos) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    }
}

// Every golden case, through the program: the same bytes on standard output,
// and exit status 0 exactly for the reports that end with the completion line.
TEST(ReportCommand, ReproducesEveryGoldenReportByteForByte) {
    const std::string completion = "Completed Successfully.\r\n";
    int cases = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(Golden(""))) {
        if (entry.path().extension() != ".json")
            continue;
        SCOPED_TRACE(entry.path().filename().string());
        fs::path expectedPath = entry.path();
        const std::string expected = ReadBytes(expectedPath.replace_extension(".report"));
        Result result = RunReport("--scenario " + Quoted(entry.path()));
        EXPECT_EQ(result.out, expected);
        EXPECT_EQ(result.err, "");
        const bool completed =
            expected.size() >= completion.size() && expected.ends_with(completion);
        EXPECT_EQ(result.exitStatus, completed ? 0 : 1);
        ++cases;
    }
    EXPECT_GE(cases, 20);
}

// Runs the program on `scenario` with its standard output a pseudo-terminal
// in raw mode (no LF to CR LF translation, so the bytes arrive as written)
// and returns what the terminal received.
std::string RunOnTerminal(const std::string& scenario) {
    struct termios raw {};
    ::cfmakeraw(&raw);
    int terminal = -1;
    const pid_t child = ::forkpty(&terminal, nullptr, &raw, nullptr);
    if (child == 0) {
        ::unsetenv("PARAVUE_SCENARIO");
        ::execl(PARAVUE_REPORT_BINARY, PARAVUE_REPORT_BINARY, "--scenario", scenario.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::string received;
    char buffer[4096];
    ssize_t n;
    // EIO once the program has ended and its side of the terminal is closed.
    while ((n = ::read(terminal, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR))
        received.append(buffer, static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
    ::close(terminal);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 127);
    return received;
}

// A replayed scenario's strings carry what would set the title, write the
// clipboard, clear the screen, send the one-byte CSI, reorder the line.
// A terminal is shown each of them as an escape and the report's own line
// ends; a pipe (and a file, see above) gets the golden bytes.
TEST(ReportCommand, ATerminalIsShownEscapesWhereAPipeGetsTheReportsBytes) {
    const std::string scenario = Golden("terminal_controls.json");
    const std::string golden = ReadBytes(Golden("terminal_controls.report"));
    const std::string shown = RunOnTerminal(scenario);

    std::FILE* pipe =
        ::popen((Quoted(PARAVUE_REPORT_BINARY) + " --scenario " + Quoted(scenario) + " 2>/dev/null")
                    .c_str(),
                "r");
    ASSERT_NE(pipe, nullptr);
    std::string piped;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        piped.append(buffer, n);
    ::pclose(pipe);
    EXPECT_EQ(piped, golden);

    const struct {
        const char* raw;    // in the report's bytes
        const char* shown;  // on the terminal
    } values[] = {
        {"Acme\x1b]0;owned\x07", "Acme\\x1b]0;owned\\x07"},
        {"\x1b]52;c;cm0gLXJmIH4=\x07Stick", "\\x1b]52;c;cm0gLXJmIH4=\\x07Stick"},
        {"1.0\x1b[2J\x1b[H\x7f\r\n", "1.0\\x1b[2J\\x1b[H\\x7f\r\n"},
        {"35\u009b31mred", "35\\u009b31mred"},
        {"8949\u202e0987", "8949\\u202e0987"},
        {"26201\r99999\u2066x\u2069\u200f", "26201\\r99999\\u2066x\\u2069\\u200f"},
        {"+49\n151\t0\r\n\r\n", "+49\\n151\\t0\r\n\r\n"},  // a value's CR LF is a line end
        {"\u061c+1", "\\u061c+1"},
        {"Kestrel\u202dLTE", "Kestrel\\u202dLTE"},
    };
    for (const auto& value : values) {
        SCOPED_TRACE(value.shown);
        EXPECT_NE(golden.find(value.raw), std::string::npos);
        EXPECT_NE(shown.find(value.shown), std::string::npos) << shown;
    }
    // Nothing a terminal acts on but the line ends, and every line is there.
    std::string rest = shown;
    for (std::size_t at; (at = rest.find("\r\n")) != std::string::npos;)
        rest.erase(at, 2);
    EXPECT_TRUE(std::all_of(rest.begin(), rest.end(), [](char c) {
        auto byte = static_cast<unsigned char>(c);
        return byte >= 0x20 && byte != 0x7F;
    })) << shown;
    for (const char* bidi : {"\u202d", "\u202e", "\u2066", "\u200f", "\u061c", "\u009b"})
        EXPECT_EQ(shown.find(bidi), std::string::npos) << bidi;
    auto lineEnds = [](const std::string& text) {
        std::size_t count = 0;
        for (std::size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos; at += 2)
            ++count;
        return count;
    };
    EXPECT_EQ(lineEnds(shown), lineEnds(golden));

    // A report without such characters looks on a terminal as in a file.
    EXPECT_EQ(RunOnTerminal(Golden("complete_device.json")),
              ReadBytes(Golden("complete_device.report")));
}

// A signal that ends a run with --capture leaves no temporary file behind.
// The run writes its capture to the temporary file before it prints the
// report, and renames it only after: with a report larger than a pipe holds,
// printed into a pipe nobody reads, the program blocks with the temporary
// file complete beside the target, until the signal comes.
TEST(ReportCommand, ACaptureInterruptedByASignalLeavesNoFile) {
    const fs::path dir =
        fs::temp_directory_path() / ("paravue-signal-" + std::to_string(::getpid()));
    fs::create_directories(dir / "out");
    const std::string scenario = (dir / "large.json").string();
    std::ofstream(scenario) << R"({"interfaces": [{"capabilities": {"manufacturer": ")"
                            << std::string(512 * 1024, 'M') << "\"}}]}";
    const std::string target = (dir / "out" / "device.json").string();

    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        int report[2];
        ASSERT_EQ(::pipe(report), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            // A test run in the background may have SIGINT ignored.
            for (int s : {SIGINT, SIGTERM, SIGHUP})
                std::signal(s, SIG_DFL);
            ::dup2(report[1], STDOUT_FILENO);
            ::close(report[0]);
            ::close(report[1]);
            ::execl(PARAVUE_REPORT_BINARY, PARAVUE_REPORT_BINARY, "--scenario", scenario.c_str(),
                    "--capture", target.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(report[1]);
        bool pending = false;
        for (int i = 0; i < 3000 && !pending; ++i) {
            pending = !fs::is_empty(dir / "out");
            if (!pending)
                ::usleep(10'000);
        }
        ASSERT_TRUE(pending) << "the temporary file never appeared";
        ::kill(child, signal);
        int status = 0;
        ::waitpid(child, &status, 0);
        ::close(report[0]);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_TRUE(fs::is_empty(dir / "out"));
    }
    fs::remove_all(dir);
}

}  // namespace

// paravue-report --metrics: the exact text for a few devices, agreement with
// the report modem by modem, and the output file node_exporter reads.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <regex>

#include "cli/report_command.h"
#include "platform/capture/capture_session.h"
#include "platform/utf.h"
#include "report/metrics.h"
#include "tests/cli/captured_stream.h"
#include "tests/report/report_run_fixture.h"
#include "tests/support/test_service.h"

namespace paravue {
namespace {

namespace fs = std::filesystem;

const fs::path kSource = PARAVUE_SOURCE_DIR;
const fs::path kThreeModems = kSource / "tests/metrics/three_modems.json";
const fs::path kComplete = kSource / "tests/golden/complete_device.json";

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The one value that differs from run to run, replaced by `with`.
std::string WithDuration(const std::string& metrics, const std::string& with) {
    static const std::regex kDuration("\nparavue_collect_duration_seconds [^\n]*\n");
    return std::regex_replace(metrics, kDuration,
                              "\nparavue_collect_duration_seconds " + with + "\n");
}

struct CommandRun {
    int status;
    std::string out, err;
};

CommandRun Metrics(std::vector<std::string> arguments) {
    CapturedStream out, err;
    arguments.insert(arguments.begin(), "--metrics");
    const int status = RunReportCommand(arguments, out.get(), err.get());
    return {status, out.Text(), err.Text()};
}

TEST(MetricsGolden, EachDeviceGivesItsExpectedText) {
    const struct {
        const char* golden;
        fs::path scenario;
    } kCases[] = {
        {"complete_device", kComplete},
        {"failing_fact", kSource / "tests/golden/register_state_fails.json"},
        {"three_modems", kThreeModems},
        {"no_modem", kSource / "tests/golden/no_device.json"},
        {"no_service", kSource / "tests/golden/manager_unavailable.json"},
        {"three_modems_redacted", kThreeModems},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.golden);
        std::vector<std::string> arguments = {"--scenario", c.scenario.string()};
        if (std::string_view(c.golden).ends_with("_redacted"))
            arguments.push_back("--redact");
        const CommandRun run = Metrics(arguments);
        EXPECT_EQ(run.status, 0) << "a failed read is a metric, not a failure";
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(WithDuration(run.out, "0"),
                  ReadBytes(kSource / "tests/metrics" / (std::string(c.golden) + ".prom")));
    }
}

// The report's value lines by label: "Register State" -> "ROAMING".
std::map<std::string, std::string> ReportValues(const std::u16string& report) {
    std::map<std::string, std::string> values;
    const std::string text = Utf16ToUtf8(report);
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find("\r\n", at);
        const std::string line = text.substr(at, end - at);
        at = end + 2;
        if (line.size() >= 35 && line[0] != ' ') {
            std::string label = line.substr(0, 35);
            label.erase(label.find_last_not_of(' ') + 1);
            values.emplace(label, line.substr(35));
        }
    }
    return values;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool Has(const std::string& metrics, const std::string& sample) {
    return metrics.find("\n" + sample + "\n") != std::string::npos;
}

using MetricsAgreeWithReport = ReportRunTest;

// Each modem of a three-modem device, put first so that the report describes
// it, must show in the metrics the signal, states, provider and identity of
// its report, masked alike under --redact; and the metrics run asks for no
// profile, connection list or subscriber.
TEST_F(MetricsAgreeWithReport, ModemByModem) {
    for (const bool redact : {false, true}) {
        SCOPED_TRACE(redact ? "redacted" : "plain");
        std::string metrics;
        {
            test_support::TestService service(simulated::LoadScenarioFile(kThreeModems));
            const capture::CaptureSession session(redact, false);
            metrics = "\n" + CollectMetrics("test");
            for (const std::string& call : service.CallLog())
                for (const char* unneeded :
                     {"Profile", "GetConnections", "Subscriber", "Preferred"})
                    EXPECT_EQ(call.find(unneeded), std::string::npos) << call;
        }
        for (std::size_t modem = 0; modem < 3; ++modem) {
            SCOPED_TRACE(modem);
            simulated::Scenario scenario = simulated::LoadScenarioFile(kThreeModems);
            auto& items = scenario.interfaces.value.items;
            std::rotate(items.begin(), items.begin() + modem, items.end());
            Report report;
            {
                simulated::SimulatedService service(std::move(scenario));
                const capture::CaptureSession session(redact, false);
                report = CollectReport();
            }
            std::map<std::string, std::string> line = ReportValues(report.text);
            const std::string label = "modem=\"" + line["Interface ID"] + "\"";

            const int strength = std::stoi(line["Signal Strength"]);
            const std::string signal = "paravue_modem_signal_rssi_dbm{" + label + "} ";
            if (strength <= 31)
                EXPECT_TRUE(Has(metrics, signal + std::to_string(-113 + 2 * strength)));
            else
                EXPECT_EQ(metrics.find(signal), std::string::npos) << "no sample while unknown";
            for (const auto& [family, report_label] :
                 {std::pair{"register", "Register State"}, std::pair{"ready", "Ready State"},
                  std::pair{"activation", "Activation State"}})
                EXPECT_TRUE(Has(metrics, std::string("paravue_modem_") + family + "_state{" +
                                             label + ",state=\"" + Lower(line[report_label]) +
                                             "\"} 1"))
                    << family;
            if (!line["Provider ID"].empty()) {
                EXPECT_TRUE(Has(metrics, "paravue_modem_provider_info{" + label +
                                             ",provider_id=\"" + line["Provider ID"] +
                                             "\",provider_name=\"" +
                                             EscapedLabelValue(line["Provider Name"]) + "\"} 1"));
            }
            EXPECT_NE(metrics.find(",device_id=\"" + line["DeviceId"] + "\"} 1\n"),
                      std::string::npos);
            EXPECT_NE(metrics.find("paravue_modem_info{" + label + ",position=\"" +
                                   std::to_string(modem) + "\""),
                      std::string::npos);
        }
    }
}

// Names created in `directory` while `run` runs, and whether `target` was
// renamed into place.
struct DirectoryWatch {
    std::vector<std::string> created;
    bool renamedIntoPlace = false;
};

template <class Action>
DirectoryWatch Watch(const fs::path& directory, const std::string& target, Action&& run) {
    const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    EXPECT_GE(fd, 0);
    inotify_add_watch(fd, directory.c_str(), IN_CREATE | IN_MOVED_TO);
    run();
    DirectoryWatch watch;
    alignas(inotify_event) char buffer[16384];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) {
        for (char* at = buffer; at < buffer + n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            const std::string name = event->len ? event->name : "";
            if (event->mask & IN_CREATE)
                watch.created.push_back(name);
            if ((event->mask & IN_MOVED_TO) && name == target)
                watch.renamedIntoPlace = true;
            at += sizeof(inotify_event) + event->len;
        }
    }
    ::close(fd);
    return watch;
}

class MetricsOutput : public ::testing::Test {
  protected:
    void SetUp() override {
        directory_ = fs::temp_directory_path() / ("paravue-metrics-" + std::to_string(::getpid()));
        fs::create_directories(directory_);
        target_ = directory_ / "paravue.prom";
    }
    void TearDown() override { fs::remove_all(directory_); }
    std::vector<std::string> Left() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(directory_))
            names.push_back(entry.path().filename());
        return names;
    }

    fs::path directory_, target_;
};

// node_exporter reads every *.prom of the directory whenever it is scraped:
// it must never see one half written, nor one it may not read.
TEST_F(MetricsOutput, AppearsWholeUnderItsNameAndReadableByAll) {
    std::ofstream(target_) << "previous\n";
    fs::permissions(target_, fs::perms::owner_read | fs::perms::owner_write);
    CommandRun run;
    const DirectoryWatch watch = Watch(directory_, "paravue.prom", [&] {
        run = Metrics({"--scenario", kComplete.string(), "--output", target_.string()});
    });
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "") << "the metrics go to the file only";
    ASSERT_FALSE(watch.created.empty());
    for (const std::string& name : watch.created)
        EXPECT_FALSE(name.ends_with(".prom"))
            << name << " was created under a name node_exporter reads";
    EXPECT_TRUE(watch.renamedIntoPlace);
    EXPECT_EQ(WithDuration(ReadBytes(target_), "0"),
              ReadBytes(kSource / "tests/metrics/complete_device.prom"));
    struct stat info {};
    ASSERT_EQ(::stat(target_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0644u);
    EXPECT_EQ(Left(), std::vector<std::string>{"paravue.prom"});
}

// A write that fails (here: the file size limit) leaves the previous metrics
// in place and nothing else, and is an error of the command.
TEST_F(MetricsOutput, AFailedWriteLeavesThePreviousFile) {
    std::ofstream(target_) << "previous\n";
    const std::string command = "ulimit -f 0; trap '' XFSZ; exec " +
                                std::string(PARAVUE_REPORT_BINARY) + " --metrics --scenario " +
                                kComplete.string() + " --output " + target_.string() +
                                " 2>/dev/null";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_EQ(ReadBytes(target_), "previous\n");
    EXPECT_EQ(Left(), std::vector<std::string>{"paravue.prom"});
}

TEST_F(MetricsOutput, BadCommandLinesAndUnwritableFilesExitTwo) {
    const struct {
        std::vector<std::string> arguments;
        const char* message;
    } kCases[] = {
        {{"--output", target_.string()}, "--output needs --metrics"},
        {{"--metrics", "--capture", target_.string()}, "--capture cannot be used with --metrics"},
        {{"--metrics", "--output"}, "--output needs a file"},
        {{"--metrics", "--scenario", kComplete.string(), "--output",
          (directory_ / "missing/paravue.prom").string()},
         "No such file or directory"},
        {{"--metrics", "--scenario", kComplete.string(), "--output", directory_.string()},
         "Is a directory"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.message);
        CapturedStream out, err;
        EXPECT_EQ(RunReportCommand(c.arguments, out.get(), err.get()), 2);
        EXPECT_NE(err.Text().find(c.message), std::string::npos) << err.Text();
        EXPECT_EQ(out.Text(), "");
    }
    EXPECT_TRUE(Left().empty());
}

}  // namespace
}  // namespace paravue

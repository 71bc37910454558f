// What loading each hostile scenario shape costs at the size bound: the time
// and the peak resident memory of a fresh process that loads the file (as
// paravue-report --scenario and PARAVUE_SCENARIO do) and whether it was
// loaded or refused; for a loaded file with patches, also what one event
// costs when it fires (its patch applied and the state read), over the first
// few events. Figures, not pass/fail.
//
//   scenario_load_benchmark                  every shape at 16 MiB
//   scenario_load_benchmark --seeds DIR      writes each shape at a few KiB, for the fuzzer
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/simulated/scenario.h"
#include "tests/support/hostile_scenarios.h"

namespace {

using paravue::simulated::kMaxScenarioBytes;

using Seconds = std::chrono::duration<double>;

// Fires up to 20 of the scenario's patched events; the mean time of one.
double SecondsPerPatch(const paravue::simulated::Scenario& scenario) {
    paravue::simulated::PatchedStates states(scenario.document);
    int fired = 0;
    auto start = std::chrono::steady_clock::now();
    for (const auto& event : scenario.events) {
        if (fired == 20)
            break;
        if (states.After(event))
            ++fired;
    }
    Seconds took = std::chrono::steady_clock::now() - start;
    return fired ? took.count() / fired : 0;
}

// The child: loads the file and reports on standard output.
int Load(const char* path) {
    auto start = std::chrono::steady_clock::now();
    auto since = [&] { return Seconds(std::chrono::steady_clock::now() - start).count(); };
    std::string outcome = "loaded";
    double loading = 0;
    double perPatch = 0;
    rusage usage{};
    try {
        paravue::simulated::Scenario scenario = paravue::simulated::LoadScenarioFile(path);
        loading = since();
        ::getrusage(RUSAGE_SELF, &usage);
        perPatch = SecondsPerPatch(scenario);
    } catch (const paravue::simulated::ScenarioError& error) {
        loading = since();
        ::getrusage(RUSAGE_SELF, &usage);
        outcome = std::string("refused: ") + error.what();
    }
    std::printf("%.3f %ld %.6f %s\n", loading, usage.ru_maxrss, perPatch, outcome.c_str());
    return 0;
}

// Runs `self --load path`, returns its line and its peak resident memory
// (the events' included).
std::string Measure(const char* self, const std::string& path, long* peakKiB) {
    int out[2];
    if (::pipe(out) != 0)
        std::exit(1);
    pid_t child = ::fork();
    if (child == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        ::close(out[1]);
        ::execl(self, self, "--load", path.c_str(), static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    ::close(out[1]);
    std::string line;
    char buffer[4096];
    for (ssize_t got; (got = ::read(out[0], buffer, sizeof buffer)) > 0;)
        line.append(buffer, static_cast<std::size_t>(got));
    ::close(out[0]);
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    *peakKiB = usage.ru_maxrss;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "0 crashed (status " + std::to_string(status) + ")\n";
    return line;
}

int WriteSeeds(const std::filesystem::path& dir) {
    std::filesystem::create_directories(dir);
    for (const paravue::hostile::Shape& shape : paravue::hostile::Shapes())
        std::ofstream(dir / (std::string(shape.name) + ".json"), std::ios::binary)
            << shape.make(4096);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--load") == 0)
        return Load(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "--seeds") == 0)
        return WriteSeeds(argv[2]);
    auto dir = std::filesystem::temp_directory_path() /
               ("paravue-load-benchmark-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::printf("%-26s %6s %8s %9s %10s %9s  %s\n", "shape", "MiB", "seconds", "peak MiB",
                "ms/event", "peak MiB", "outcome");
    std::printf("%-26s %6s %8s %9s %10s %9s\n", "", "", "loading", "loading", "", "events");
    for (const paravue::hostile::Shape& shape : paravue::hostile::Shapes()) {
        std::string path = (dir / (std::string(shape.name) + ".json")).string();
        std::size_t bytes;
        {
            std::string text = shape.make(kMaxScenarioBytes);
            bytes = text.size();
            std::ofstream(path, std::ios::binary) << text;
        }
        long peakKiB = 0;
        std::string line = Measure(argv[0], path, &peakKiB);
        std::filesystem::remove(path);
        char* rest = nullptr;
        double seconds = std::strtod(line.c_str(), &rest);
        long loadPeakKiB = std::strtol(rest, &rest, 10);
        double perPatch = std::strtod(rest, &rest);
        std::string outcome = rest + (*rest == ' ' ? 1 : 0);
        if (!outcome.empty() && outcome.back() == '\n')
            outcome.pop_back();
        // The message without the temporary file's name.
        if (auto at = outcome.find(".json: "); at != std::string::npos)
            outcome = "refused: " + outcome.substr(at + 7);
        if (outcome.size() > 100)
            outcome = outcome.substr(0, 40) + "..." + outcome.substr(outcome.size() - 57);
        std::printf("%-26s %6.2f %8.3f %9.1f %10.2f %9.1f  %s\n", shape.name,
                    static_cast<double>(bytes) / (1024 * 1024), seconds,
                    static_cast<double>(loadPeakKiB) / 1024, perPatch * 1000,
                    static_cast<double>(peakKiB) / 1024, outcome.c_str());
        std::fflush(stdout);
    }
    std::filesystem::remove_all(dir);
    return 0;
}

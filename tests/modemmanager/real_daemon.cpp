#include "real_daemon.h"

#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace real_daemon {

std::string Unavailable() {
    if (const char* reason = std::getenv("PARAVUE_REAL_MM_UNAVAILABLE"))
        return std::string("the real ModemManager cannot run here: ") + reason;
    if (!std::getenv("PARAVUE_REAL_MM") || !std::getenv("PARAVUE_AT_MODEM_FACTS"))
        return "not run through tests/modemmanager/real_daemon/run_with_modem.py";
    return {};
}

namespace {
// A facts file (key=value lines) that the environment variable `variable` names.
std::map<std::string, std::string> ReadFacts(const std::string& variable) {
    std::map<std::string, std::string> read;
    const char* path = std::getenv(variable.c_str());
    std::ifstream file(path ? path : "");
    for (std::string line; std::getline(file, line);) {
        if (auto equals = line.find('='); equals != std::string::npos)
            read[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return read;
}

int Number(const std::string& variable, int otherwise) {
    const char* value = std::getenv(variable.c_str());
    return value && *value ? std::atoi(value) : otherwise;
}
}  // namespace

const std::map<std::string, std::string>& Facts() {
    static const std::map<std::string, std::string> facts = ReadFacts("PARAVUE_AT_MODEM_FACTS");
    return facts;
}

int ModemCount() {
    return Number("PARAVUE_AT_MODEMS", 1);
}

std::map<std::string, std::string> FactsOf(int position) {
    return ReadFacts("PARAVUE_AT_MODEM_FACTS_" + std::to_string(position));
}

int ModemPid(int position) {
    return Number("PARAVUE_AT_MODEM_PID_" + std::to_string(position), 0);
}

std::string Fact(const std::string& key) {
    auto found = Facts().find(key);
    return found == Facts().end() ? "(no fact " + key + ")" : found->second;
}

std::string Line(const std::string& label, const std::string& value) {
    std::string line = label;
    line.resize(35, ' ');
    return line + value;
}

std::vector<std::string> ReportLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));  // a line without CR LF: shown, then failed
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

CommandResult Run(const std::string& command, bool withErrors) {
    CommandResult result;
    FILE* pipe = popen((withErrors ? command + " 2>&1" : command).c_str(), "r");
    if (!pipe)
        return result;
    char buffer[4096];
    while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe))
        result.output.append(buffer, n);
    int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::map<std::string, std::string> Mmcli(const std::string& args) {
    std::map<std::string, std::string> keys;
    CommandResult result = Run("mmcli " + args + " -K");
    std::size_t start = 0;
    while (start < result.output.size()) {
        std::size_t end = result.output.find('\n', start);
        if (end == std::string::npos)
            end = result.output.size();
        std::string line = result.output.substr(start, end - start);
        start = end + 1;
        std::size_t colon = line.find(" : ");
        if (colon == std::string::npos)
            continue;
        std::string key = line.substr(0, line.find_last_not_of(' ', colon) + 1);
        std::string value = line.substr(colon + 3);
        value.erase(value.find_last_not_of(' ') + 1);
        keys[key] = value == "--" ? "" : value;
    }
    return keys;
}

bool WaitForModem(const std::function<bool(std::map<std::string, std::string>&)>& done,
                  int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        auto modem = Mmcli("-m 0");
        if (done(modem))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return false;
}

bool WaitForModemState(const std::string& state, int timeoutMs) {
    return WaitForModem([&](auto& modem) { return modem["modem.generic.state"] == state; },
                        timeoutMs);
}

bool TellModem(const std::string& line) {
    const char* path = std::getenv("PARAVUE_AT_MODEM_CONTROL");
    if (!path)
        return false;
    std::ofstream fifo(path);
    fifo << line << '\n';
    fifo.flush();
    return fifo.good();
}

namespace {
std::string StateFile() {
    const char* path = std::getenv("PARAVUE_AT_MODEM_STATE");
    return path ? path : "";
}
}  // namespace

bool SetModemState(const std::string& lines) {
    const std::string path = StateFile();
    if (path.empty())
        return false;
    // Whole or not at all: the modem may read it at any moment.
    const std::string next = path + ".next";
    {
        std::ofstream file(next);
        file << lines;
        if (!file.flush())
            return false;
    }
    std::error_code error;
    std::filesystem::rename(next, path, error);
    return !error;
}

bool WaitForModemBusy(int timeoutMs) {
    const std::string busy = StateFile() + ".busy";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        if (std::filesystem::exists(busy))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

}  // namespace real_daemon

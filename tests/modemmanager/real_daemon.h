// The real ModemManager daemon and its simulated modems, as
// tests/modemmanager/real_daemon/run_with_modem.py provides them to the test
// binary it runs: facts of the modem, the daemon's own client, and the modem's
// control line.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace real_daemon {

// Why the real daemon is not there (the driver's reason, or not run through
// the driver); empty when it is.
std::string Unavailable();

// What the simulated modem says about itself, by key (manufacturer, imei, ...).
const std::map<std::string, std::string>& Facts();
std::string Fact(const std::string& key);

// Of several modems (run_with_modem.py --modems N), numbered by position in
// the daemon's order: how many there are (1 when the driver did not say),
// the facts of one (with its port and object path, "path"; empty for a
// position the driver did not start), and its process (0 when unknown),
// which killed unplugs the modem.
int ModemCount();
std::map<std::string, std::string> FactsOf(int position);
int ModemPid(int position);

// A report line: the label padded to the value's column.
std::string Line(const std::string& label, const std::string& value);
// A report's text cut at CR LF; a last piece without one is a line too.
std::vector<std::string> ReportLines(const std::string& text);

struct CommandResult {
    std::string output;  // stdout, and stderr unless left out
    int exitCode = -1;
};
// `withErrors`: standard error joins the output; else it stays the test's.
CommandResult Run(const std::string& command, bool withErrors = true);

// `mmcli ARGS -K` as key to value; a value the client prints as "--" is empty.
std::map<std::string, std::string> Mmcli(const std::string& args);

// Polls the daemon until `done` holds for modem 0's `mmcli -m 0 -K` keys;
// false after `timeoutMs`.
bool WaitForModem(const std::function<bool(std::map<std::string, std::string>&)>& done,
                  int timeoutMs = 60000);
// Until modem 0 is in `state` (mmcli's word).
bool WaitForModemState(const std::string& state, int timeoutMs = 60000);

// A line for the modem's control FIFO, e.g. "creg 5".
bool TellModem(const std::string& line);

// Replaces the modem's state file (key=value lines, see at_modem.py), which
// it reads for every command from then on; "" restores its defaults.
bool SetModemState(const std::string& lines);
// Until the modem holds back a delayed answer; false after `timeoutMs`.
bool WaitForModemBusy(int timeoutMs = 30000);

}  // namespace real_daemon

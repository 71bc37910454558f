// paravue-report: prints the report of a cellular modem, or the list of them.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/report_command.h"

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return paravue::RunReportCommand(arguments, stdout, stderr);
}

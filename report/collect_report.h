// One report run: builds the report text anew from what the Mobile Broadband
// service says about one of its interfaces, the first unless told otherwise.
#pragma once

#include <cstdint>
#include <string>

#include "report/append_fault.h"
#include "report/modems.h"

namespace paravue {

struct Report {
    std::u16string text;
    // Ended with its own "Completed Successfully." line: a service string that
    // happens to end with those words does not count.
    bool completed = false;
    // Memory ran out: the run was abandoned there, everything it held was
    // released, and `text` is what it had written before.
    bool outOfMemory = false;
    // How many interfaces the service listed (0 when the run ended before).
    std::int32_t modemCount = 0;
    // The chosen interface was not in the list, or no longer carried the
    // chosen ID: the run stopped after "Number of MB devices", described
    // nothing and has no final line.
    bool modemMissing = false;
};

// Runs on one thread at a time. Service failures become report lines.
// `fault` (tests only) makes one chosen append fail as if memory had run out.
Report CollectReport(AppendFault* fault = nullptr);
Report CollectReport(const ModemChoice& choice, AppendFault* fault = nullptr);

}  // namespace paravue

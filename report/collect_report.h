// One report run: builds the report text anew from what the Mobile Broadband
// service says about its first interface.
#pragma once

#include <string>

#include "report/append_fault.h"

namespace paravue {

struct Report {
    std::u16string text;
    // Ended with its own "Completed Successfully." line: a service string that
    // happens to end with those words does not count.
    bool completed = false;
    // Memory ran out: the run was abandoned there, everything it held was
    // released, and `text` is what it had written before.
    bool outOfMemory = false;
};

// Runs on one thread at a time. Service failures become report lines.
// `fault` (tests only) makes one chosen append fail as if memory had run out.
Report CollectReport(AppendFault* fault = nullptr);

}  // namespace paravue

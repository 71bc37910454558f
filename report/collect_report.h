// One report run: empties the report text and rebuilds it from what the
// Mobile Broadband service says about its first interface.
#pragma once

namespace paravue {

// Runs on one thread at a time. Service failures become report lines; only
// memory exhaustion leaves as an exception (std::bad_alloc), after everything
// the run held has been released. The text appended before it stays.
void CollectMbnReport();

}  // namespace paravue

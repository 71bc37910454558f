// One report run: empties the report text and rebuilds it from what the
// Mobile Broadband service says about its first interface.
#pragma once

namespace paravue {

// Runs on one thread at a time. Service failures become report lines; only
// memory exhaustion leaves as an exception (std::bad_alloc), after everything
// the run held has been released. The text appended before it stays.
void CollectMbnReport();

// Whether the last run ended with its own "Completed Successfully." line: a
// service string that happens to end with those words does not count.
bool LastRunCompleted();

}  // namespace paravue

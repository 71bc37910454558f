// Test seam: makes one chosen append to the report text fail as if memory had
// run out, so that tests can abandon a run at every line.
#pragma once

#include <cstddef>

namespace paravue {

// Restarts the count of appends; the k-th append from now (1-based) throws
// std::bad_alloc without touching the text. 0 means no append fails.
void FailAppendAt(std::size_t k);
// Appends made since the last FailAppendAt (the failing one included).
std::size_t AppendsCounted();

}  // namespace paravue

// Test seam: makes one chosen append of a report run fail as if memory had run
// out, so that tests can abandon a run at every line.
#pragma once

#include <cstddef>

namespace paravue {

struct AppendFault {
    std::size_t failAt = 0;   // the append (1-based) that throws std::bad_alloc; 0: none
    std::size_t counted = 0;  // appends made so far, the failing one included
};

}  // namespace paravue

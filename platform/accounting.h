// Counts of what the boundary has handed out and not yet had back, so that a
// test can check that a report run leaves nothing alive on any path.
#pragma once

#include <atomic>
#include <cstdint>

namespace paravue {

struct LiveCounts {
    std::int64_t bstrs = 0;
    std::int64_t safeArrays = 0;
    std::int64_t serviceObjects = 0;
    friend bool operator==(const LiveCounts&, const LiveCounts&) = default;
};

LiveCounts CurrentLiveCounts();

namespace accounting {
void BstrAllocated();
void BstrFreed();
void SafeArrayCreated();
void SafeArrayDestroyed();
void ServiceObjectCreated();
void ServiceObjectDestroyed();
}  // namespace accounting

// Member of every service object: counts it alive from construction to destruction.
class ServiceObjectCount {
  public:
    ServiceObjectCount() { accounting::ServiceObjectCreated(); }
    ServiceObjectCount(const ServiceObjectCount&) { accounting::ServiceObjectCreated(); }
    ServiceObjectCount& operator=(const ServiceObjectCount&) = default;
    ~ServiceObjectCount() { accounting::ServiceObjectDestroyed(); }
};

}  // namespace paravue

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

// +1 when one is handed out, -1 when it comes back.
enum class Counted { Bstrs, SafeArrays, ServiceObjects };
void CountLive(Counted what, int change);

// Member of every service object: counts it alive from construction to destruction.
class ServiceObjectCount {
  public:
    ServiceObjectCount() { CountLive(Counted::ServiceObjects, +1); }
    ServiceObjectCount(const ServiceObjectCount&) = delete;  // objects are never copied
    ~ServiceObjectCount() { CountLive(Counted::ServiceObjects, -1); }
};

}  // namespace paravue

#include "platform/accounting.h"

namespace paravue {
namespace {

std::atomic<std::int64_t> g_counts[3];  // by Counted

}  // namespace

LiveCounts CurrentLiveCounts() {
    return {g_counts[0].load(), g_counts[1].load(), g_counts[2].load()};
}

void CountLive(Counted what, int change) {
    g_counts[static_cast<int>(what)] += change;
}

}  // namespace paravue

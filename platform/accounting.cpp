#include "platform/accounting.h"

namespace paravue {
namespace {

std::atomic<std::int64_t> g_bstrs{0};
std::atomic<std::int64_t> g_safeArrays{0};
std::atomic<std::int64_t> g_serviceObjects{0};

}  // namespace

LiveCounts CurrentLiveCounts() {
    return {g_bstrs.load(), g_safeArrays.load(), g_serviceObjects.load()};
}

namespace accounting {
void BstrAllocated() {
    ++g_bstrs;
}
void BstrFreed() {
    --g_bstrs;
}
void SafeArrayCreated() {
    ++g_safeArrays;
}
void SafeArrayDestroyed() {
    --g_safeArrays;
}
void ServiceObjectCreated() {
    ++g_serviceObjects;
}
void ServiceObjectDestroyed() {
    --g_serviceObjects;
}
}  // namespace accounting

}  // namespace paravue

#include "report/adapter_description.h"

#include <thread>
#include <utility>
#include <vector>

#include "platform/adapters.h"

namespace paravue {
namespace {

constexpr int kAttempts = 2;
constexpr std::chrono::milliseconds kWaitAfterFailedAttempt{2000};

AdapterLookupSleep& Sleep() {
    static AdapterLookupSleep sleep;
    return sleep;
}

void Wait(std::chrono::milliseconds duration) {
    if (Sleep()) {
        Sleep()(duration);
    } else {
        std::this_thread::sleep_for(duration);
    }
}

}  // namespace

void LookupAdapterDescription(std::u16string interfaceId, std::u16string& description) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::vector<AdapterRecord> records;
        AdapterListing listing = ListAdapters(records);
        if (listing == AdapterListing::Unavailable)
            return;
        // An empty list is what a system without any IPv4 adapter gives; the
        // mobile-broadband adapter may still be coming up, so it is worth a wait.
        if (listing == AdapterListing::Failed || records.empty()) {
            Wait(kWaitAfterFailedAttempt);
            continue;
        }
        std::vector<const AdapterRecord*> matching = MatchingAdapters(records, interfaceId);
        if (!matching.empty())
            description = matching.back()->description;
        return;
    }
}

AdapterLookupSleep SetAdapterLookupSleep(AdapterLookupSleep sleep) {
    return std::exchange(Sleep(), std::move(sleep));
}

}  // namespace paravue

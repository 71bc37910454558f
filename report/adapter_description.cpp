#include "report/adapter_description.h"

#include <thread>
#include <utility>
#include <vector>

#include "platform/adapters.h"
#include "platform/utf.h"

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

char16_t FoldAsciiCase(char16_t c) {
    return c >= u'a' && c <= u'z' ? c - u'a' + u'A' : c;
}

// Only A-Z fold: the names are identifiers, not words of a language.
bool EqualIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldAsciiCase(a[i]) != FoldAsciiCase(b[i]))
            return false;
    return true;
}

void Walk(const std::vector<AdapterRecord>& records, std::u16string_view interfaceId,
          std::u16string& description) {
    for (const AdapterRecord& record : records) {
        std::u16string name = record.name ? Utf8ToUtf16(*record.name) : std::u16string();
        if (EqualIgnoringAsciiCase(name, interfaceId))
            description = record.description;
        if (interfaceId.empty() || !description.empty())
            return;
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
        Walk(records, interfaceId, description);
        return;
    }
}

AdapterLookupSleep SetAdapterLookupSleep(AdapterLookupSleep sleep) {
    return std::exchange(Sleep(), std::move(sleep));
}

}  // namespace paravue

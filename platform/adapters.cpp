#include "platform/adapters.h"

#include <mutex>

#include "platform/utf.h"

namespace paravue {
namespace {

struct Sources {
    std::mutex mutex;
    AdapterLister system;
    std::vector<std::pair<std::uint64_t, AdapterLister>> overrides;  // newest last
    std::uint64_t nextId = 1;
};

Sources& TheSources() {
    static Sources sources;
    return sources;
}

// Lists through the newest source older than the override `below` (0: of
// all), called unlocked.
AdapterListing ListOlderThan(std::uint64_t below, std::vector<AdapterRecord>& records) {
    AdapterLister lister;
    {
        Sources& s = TheSources();
        std::lock_guard lock(s.mutex);
        lister = s.system;
        for (auto& [id, older] : s.overrides) {
            if (id == below)
                break;
            lister = older;
        }
    }
    records.clear();
    return lister ? lister(records) : AdapterListing::Unavailable;
}

}  // namespace

void SetSystemAdapterLister(AdapterLister lister) {
    Sources& s = TheSources();
    std::lock_guard lock(s.mutex);
    s.system = std::move(lister);
}

AdapterListerOverride::AdapterListerOverride(AdapterLister lister) {
    Sources& s = TheSources();
    std::lock_guard lock(s.mutex);
    id_ = s.nextId++;
    s.overrides.emplace_back(id_, std::move(lister));
}

AdapterListerOverride::~AdapterListerOverride() {
    Sources& s = TheSources();
    std::lock_guard lock(s.mutex);
    std::erase_if(s.overrides, [this](auto& entry) { return entry.first == id_; });
}

AdapterListing AdapterListerOverride::ListBelow(std::vector<AdapterRecord>& records) const {
    return ListOlderThan(id_, records);
}

AdapterListing ListAdapters(std::vector<AdapterRecord>& records) {
    return ListOlderThan(0, records);
}

std::vector<const AdapterRecord*> MatchingAdapters(const std::vector<AdapterRecord>& records,
                                                   std::u16string_view interfaceId) {
    std::vector<const AdapterRecord*> found;
    for (const AdapterRecord& record : records) {
        std::u16string name = record.name ? Utf8ToUtf16(*record.name) : std::u16string();
        if (EqualIgnoringAsciiCase(name, interfaceId)) {
            found.push_back(&record);
            if (!record.description.empty())
                break;
        }
        if (interfaceId.empty())
            break;
    }
    return found;
}

}  // namespace paravue

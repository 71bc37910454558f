#include "platform/adapters.h"

#include <algorithm>
#include <mutex>

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
    AdapterLister lister;
    {
        Sources& s = TheSources();
        std::lock_guard lock(s.mutex);
        lister = s.system;
        for (auto& [id, older] : s.overrides) {
            if (id == id_)
                break;
            lister = older;
        }
    }
    records.clear();
    if (!lister)
        return AdapterListing::Unavailable;
    return lister(records);
}

AdapterListing ListAdapters(std::vector<AdapterRecord>& records) {
    AdapterLister lister;
    {
        Sources& s = TheSources();
        std::lock_guard lock(s.mutex);
        lister = s.overrides.empty() ? s.system : s.overrides.back().second;
    }
    records.clear();
    if (!lister)
        return AdapterListing::Unavailable;
    return lister(records);
}

}  // namespace paravue

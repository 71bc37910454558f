#include "platform/runtime.h"

#include <mutex>
#include <optional>
#include <vector>

namespace paravue {
namespace {

struct Entry {
    std::uint64_t id;
    CLSID clsid;
    ClassFactory factory;
};

// Constant-initialised, so ready before any code that could register a class.
constinit std::mutex g_mutex;
constinit std::vector<Entry> g_entries;  // newest last
constinit std::uint64_t g_nextId = 1;

// The newest registration of the class older than the registration `below`
// (0: of all), copied out so that its factory runs unlocked.
std::optional<Entry> NewestBelow(const CLSID& clsid, std::uint64_t below = 0) {
    std::lock_guard lock(g_mutex);
    const Entry* found = nullptr;
    for (const Entry& entry : g_entries) {
        if (entry.id == below)
            break;
        if (entry.clsid == clsid)
            found = &entry;
    }
    return found ? std::optional<Entry>(*found) : std::nullopt;
}

thread_local int t_apartmentDepth = 0;

}  // namespace

ClassRegistration::ClassRegistration(const CLSID& clsid, ClassFactory factory) {
    std::lock_guard lock(g_mutex);
    id_ = g_nextId++;
    g_entries.push_back({id_, clsid, std::move(factory)});
}

ClassRegistration::~ClassRegistration() {
    if (id_ == 0)
        return;
    std::lock_guard lock(g_mutex);
    std::erase_if(g_entries, [this](const Entry& e) { return e.id == id_; });
}

ClassFactory ClassFactoryBelow(const ClassRegistration& above, const CLSID& clsid) {
    std::optional<Entry> entry = NewestBelow(clsid, above.id_);
    return entry ? entry->factory : ClassFactory();
}

}  // namespace paravue

HRESULT CoInitializeEx(void* reserved, DWORD concurrencyModel) {
    if (reserved || concurrencyModel != COINIT_MULTITHREADED)
        return E_INVALIDARG;
    return paravue::t_apartmentDepth++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
    if (paravue::t_apartmentDepth > 0)
        --paravue::t_apartmentDepth;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid,
                         void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    if ((context & CLSCTX_ALL) == 0)
        return E_INVALIDARG;
    if (paravue::t_apartmentDepth == 0)
        return CO_E_NOTINITIALIZED;
    std::optional<paravue::Entry> entry = paravue::NewestBelow(clsid);
    return entry ? entry->factory(iid, object) : REGDB_E_CLASSNOTREG;
}

// Network adapter records, the source of an interface's "Device name": per
// adapter, the name the service identifies the interface by and a
// human-readable description.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace paravue {

struct AdapterRecord {
    std::optional<std::string> name;  // may be missing, like a null adapter name
    std::u16string description;
};

enum class AdapterListing {
    Unavailable,  // no source of adapter records at all: nothing to wait for
    Failed,       // this attempt failed; a later one may succeed
    Listed,
};

// Fills `records` (empty on entry) and says how the attempt went.
using AdapterLister = std::function<AdapterListing(std::vector<AdapterRecord>& records)>;

// The system's own adapters; set once at start-up by the platform service
// that knows how to read them. Without one the listing is Unavailable.
void SetSystemAdapterLister(AdapterLister lister);

// While it lives, listings come from `lister` instead of the system (a
// scenario's own adapters). Overrides nest; the newest wins.
class AdapterListerOverride {
  public:
    explicit AdapterListerOverride(AdapterLister lister);
    AdapterListerOverride(const AdapterListerOverride&) = delete;
    AdapterListerOverride& operator=(const AdapterListerOverride&) = delete;
    ~AdapterListerOverride();

    // Lists what the sources older than this override list (for an override
    // that passes the listing on, like the interception layer).
    AdapterListing ListBelow(std::vector<AdapterRecord>& records) const;

  private:
    std::uint64_t id_;
};

AdapterListing ListAdapters(std::vector<AdapterRecord>& records);

// The records the "Device name" look-up goes by, in list order: those named
// `interfaceId`, A-Z case aside (a missing name counts as empty), up to the
// first with a description, which gives it. For an empty ID only the first
// record is looked at.
std::vector<const AdapterRecord*> MatchingAdapters(const std::vector<AdapterRecord>& records,
                                                   std::u16string_view interfaceId);

}  // namespace paravue

// The human-readable description of the network adapter that carries a
// Mobile Broadband interface, found by the adapter's name.
#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace paravue {

// Sets `description` (empty on entry) to the description of the first listed
// adapter whose name equals `interfaceId`, ignoring the case of A-Z, and whose
// description is not empty; leaves it untouched when there is none. A failed
// or empty listing is tried once more after a wait of 2000 ms.
void LookupAdapterDescription(std::u16string interfaceId, std::u16string& description);

using AdapterLookupSleep = std::function<void(std::chrono::milliseconds)>;
// Replaces how the lookup waits between attempts (tests count the waits
// instead of sleeping); returns the previous one. Null restores real sleeping.
AdapterLookupSleep SetAdapterLookupSleep(AdapterLookupSleep sleep);

}  // namespace paravue

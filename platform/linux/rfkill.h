// The kernel's radio kill switches for wireless WAN devices.
#pragma once

#include <filesystem>

namespace paravue::sysfs {

// True when any switch of type "wwan" under <sysfsRoot>/class/rfkill is hard
// blocked; false when none is, or there are none to read.
bool WwanHardBlocked(const std::filesystem::path& sysfsRoot);

}  // namespace paravue::sysfs

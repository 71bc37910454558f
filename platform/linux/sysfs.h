// What the kernel's sysfs tells of the devices: the network interfaces as
// adapter records, and the radio kill switches of wireless WAN devices.
#pragma once

#include <filesystem>
#include <vector>

#include "platform/adapters.h"

namespace paravue::sysfs {

// Lists every interface under <sysfsRoot>/class/net. Failed when that
// directory cannot be read; Listed (possibly with no records) otherwise.
AdapterListing ListNetworkAdapters(const std::filesystem::path& sysfsRoot,
                                   std::vector<AdapterRecord>& records);

// The description of one interface: "<manufacturer> <product>" of a USB
// device, else the name of the device's driver, else empty (a virtual
// interface has no device at all).
std::u16string DescribeNetworkInterface(const std::filesystem::path& sysfsRoot,
                                        const std::string& name);

// A lister over the given sysfs mount point, for SetSystemAdapterLister.
AdapterLister NetworkAdapterLister(std::filesystem::path sysfsRoot = "/sys");

// True when any switch of type "wwan" under <sysfsRoot>/class/rfkill is hard
// blocked; false when none is, or there are none to read.
bool WwanHardBlocked(const std::filesystem::path& sysfsRoot);

}  // namespace paravue::sysfs

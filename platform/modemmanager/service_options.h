// Settings of the ModemManager service that tests replace: where sysfs is,
// and how long any one call to the daemon may take.
#pragma once

#include <chrono>
#include <filesystem>

namespace paravue::mm {

struct ServiceOptions {
    std::filesystem::path sysfsRoot = "/sys";
    std::chrono::milliseconds callBound{5000};
};

}  // namespace paravue::mm

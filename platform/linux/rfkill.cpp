#include "platform/linux/rfkill.h"

#include <system_error>

#include "platform/linux/sysfs_text.h"

namespace paravue::sysfs {

bool WwanHardBlocked(const std::filesystem::path& sysfsRoot) {
    std::error_code ec;
    std::filesystem::directory_iterator it(sysfsRoot / "class" / "rfkill", ec);
    if (ec)
        return false;
    for (; it != std::filesystem::directory_iterator(); it.increment(ec)) {
        if (ec)
            break;
        if (ReadAttribute(it->path() / "type") != "wwan")
            continue;
        // "hard" is 0 or 1; anything non-zero means the switch is engaged.
        auto hard = ReadAttribute(it->path() / "hard");
        if (hard && !hard->empty() && *hard != "0")
            return true;
    }
    return false;
}

}  // namespace paravue::sysfs

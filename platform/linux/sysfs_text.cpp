#include "platform/linux/sysfs_text.h"

#include <fstream>
#include <iterator>

namespace paravue::sysfs {

std::optional<std::string> ReadAttribute(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return std::nullopt;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\0'))
        text.pop_back();
    return text;
}

}  // namespace paravue::sysfs

// Reading one sysfs attribute: its text without the trailing newline.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace paravue::sysfs {

// Nothing when the attribute cannot be read.
std::optional<std::string> ReadAttribute(const std::filesystem::path& file);

}  // namespace paravue::sysfs

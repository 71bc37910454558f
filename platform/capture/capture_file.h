// Writing a captured scenario so that the file appears whole or not at all.
#pragma once

#include <optional>
#include <string>

namespace paravue::capture {

// Writes `text` to a temporary file next to `path` and renames it to `path`.
// Returns the reason on failure, when nothing new is left behind.
std::optional<std::string> WriteWholeFile(const std::string& path, const std::string& text);

}  // namespace paravue::capture

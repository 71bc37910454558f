// Writing a captured scenario so that the file appears whole or not at all,
// readable by no one the target did not already allow, and never in the
// place of a device, a FIFO or a socket.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace paravue::capture {

// Why a capture must not take the place of the device, FIFO or socket at `path`
// (whatever uses it by name would break). Nothing for no file, a regular file,
// or a symbolic link (replaced, not followed); a directory is refused when the
// file is written.
std::optional<std::string> SpecialFileAt(const std::string& path);

// A capture written in full to a new temporary file beside its target (the same
// file system, so the rename that puts it in place is atomic), created 0600 or
// with the permissions of the regular file it replaces, or exactly
// `permissions` when given; no child process inherits it. Until Commit the
// temporary file is removed when this is destroyed, and when SIGINT, SIGTERM or
// SIGHUP ends the process; one at a time per process.
class PendingFile {
  public:
    PendingFile(const std::string& path, std::string_view text,
                std::optional<unsigned> permissions = std::nullopt);
    // Stands for a capture that could not be made, for `reason`.
    static PendingFile Failed(std::string reason);
    PendingFile(PendingFile&& other) noexcept;
    PendingFile& operator=(PendingFile&&) = delete;
    ~PendingFile();

    // Puts the file in place of the target, if the target is still one that
    // may be replaced. Returns the reason when that or the writing failed;
    // nothing new is left behind then.
    std::optional<std::string> Commit();

  private:
    PendingFile() = default;
    void Discard();

    std::string target_;
    std::string temporary_;  // empty when there is none (any longer)
    std::optional<std::string> failure_;
};

}  // namespace paravue::capture

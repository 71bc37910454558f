#include "platform/capture/capture_file.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace paravue::capture {
namespace {

constexpr const char* kNotRegular = "not a regular file";

bool IsSpecial(mode_t mode) {
    return !S_ISREG(mode) && !S_ISDIR(mode) && !S_ISLNK(mode);
}

// What lstat found at the target that a capture must not replace.
std::optional<std::string> Refusal(const struct stat& target) {
    if (S_ISDIR(target.st_mode))
        return std::strerror(EISDIR);
    if (IsSpecial(target.st_mode))
        return kNotRegular;
    return std::nullopt;
}

bool WriteAll(int fd, std::string_view text) {
    std::size_t written = 0;
    while (written < text.size()) {
        ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    return true;
}

// The temporary file a signal that ends the process removes first. The
// handler reads only these, so it is async-signal-safe: the path is complete
// before `g_armed` says so, and stays until `g_armed` is cleared.
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
char g_temporary[PATH_MAX];
std::atomic<bool> g_armed{false};
static_assert(std::atomic<bool>::is_always_lock_free);
struct sigaction g_previous[std::size(kSignals)];
bool g_installed[std::size(kSignals)];

extern "C" void RemoveTemporaryAndEnd(int signal) {
    if (g_armed.load())
        ::unlink(g_temporary);
    // SA_RESETHAND made the default action current; the signal stays blocked
    // until this returns, and then ends the process as it would have.
    ::raise(signal);
}

// Only where the signal would end the process: an ignored SIGHUP (nohup)
// stays ignored, and a program's own handler stays its own.
void InstallCleanup() {
    struct sigaction action {};
    action.sa_handler = RemoveTemporaryAndEnd;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int signal : kSignals)
        sigaddset(&action.sa_mask, signal);
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        g_installed[i] = ::sigaction(kSignals[i], nullptr, &g_previous[i]) == 0 &&
                         !(g_previous[i].sa_flags & SA_SIGINFO) &&
                         g_previous[i].sa_handler == SIG_DFL &&
                         ::sigaction(kSignals[i], &action, nullptr) == 0;
    }
}

void RemoveCleanup() {
    g_armed.store(false);
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        if (g_installed[i])
            ::sigaction(kSignals[i], &g_previous[i], nullptr);
}

}  // namespace

std::optional<std::string> SpecialFileAt(const std::string& path) {
    struct stat target {};
    if (::lstat(path.c_str(), &target) == 0 && IsSpecial(target.st_mode))
        return kNotRegular;
    return std::nullopt;
}

PendingFile::PendingFile(const std::string& path, std::string_view text,
                         std::optional<unsigned> permissions)
    : target_(path) {
    // A file private to its owner, unless it replaces a regular file whose
    // owner chose otherwise (set-ID and sticky bits are not carried over).
    mode_t mode = 0600;
    struct stat target {};
    if (::lstat(path.c_str(), &target) == 0) {
        if ((failure_ = Refusal(target)))
            return;
        if (S_ISREG(target.st_mode))
            mode = target.st_mode & 0777;
    }
    if (permissions)
        mode = static_cast<mode_t>(*permissions & 0777);
    std::string pattern = path + ".XXXXXX";
    if (pattern.size() >= sizeof g_temporary) {
        failure_ = std::strerror(ENAMETOOLONG);
        return;
    }
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    temporary_.reserve(pattern.size());  // nothing to throw once the file exists
    InstallCleanup();
    // Held back while the file exists but its path is not yet armed: a signal
    // in between would otherwise end the process and leave the file.
    sigset_t ending, previous;
    sigemptyset(&ending);
    for (int signal : kSignals)
        sigaddset(&ending, signal);
    ::pthread_sigmask(SIG_BLOCK, &ending, &previous);
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    const int created = errno;
    if (fd >= 0) {
        std::memcpy(g_temporary, name.data(), name.size());
        g_armed.store(true);
    }
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (fd < 0) {
        failure_ = std::strerror(created);
        RemoveCleanup();
        return;
    }
    temporary_ = name.data();

    bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, text) && ::fsync(fd) == 0;
    int error = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        failure_ = std::strerror(error);
        Discard();
    }
}

PendingFile PendingFile::Failed(std::string reason) {
    PendingFile file;
    file.failure_ = std::move(reason);
    return file;
}

PendingFile::PendingFile(PendingFile&& other) noexcept
    : target_(std::move(other.target_)),
      temporary_(std::exchange(other.temporary_, {})),
      failure_(std::move(other.failure_)) {}

PendingFile::~PendingFile() {
    Discard();
}

void PendingFile::Discard() {
    if (temporary_.empty())
        return;
    ::unlink(temporary_.c_str());
    RemoveCleanup();
    temporary_.clear();
}

std::optional<std::string> PendingFile::Commit() {
    if (failure_ || temporary_.empty())
        return failure_ ? failure_ : std::strerror(ENOENT);
    // Whatever took the target's place since the file was begun is checked again.
    struct stat target {};
    if (::lstat(target_.c_str(), &target) == 0)
        failure_ = Refusal(target);
    if (!failure_ && ::rename(temporary_.c_str(), target_.c_str()) != 0)
        failure_ = std::strerror(errno);
    if (failure_) {
        Discard();
        return failure_;
    }
    // In place: a signal now has nothing to remove.
    RemoveCleanup();
    temporary_.clear();
    return std::nullopt;
}

}  // namespace paravue::capture

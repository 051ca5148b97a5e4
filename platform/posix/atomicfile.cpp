#include "platform/posix/atomicfile.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string describe(const std::filesystem::path& target, int errorNumber) {
    return "Could not write \"" + target.string() + "\": " + std::strerror(errorNumber);
}

// The file a write to `target` must replace: symbolic links are followed, even to a file that
// does not exist yet, so that they survive.
std::filesystem::path resolveLinks(const std::filesystem::path& target) {
    constexpr int kMaxLinks = 40;  // as the kernel allows before ELOOP
    std::filesystem::path path = target;
    std::error_code error;
    for (int link = 0; link < kMaxLinks && std::filesystem::is_symlink(path, error); ++link) {
        const auto next = std::filesystem::read_symlink(path, error);
        if (error) {
            return target;
        }
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    return path;
}

// What open(2) would give a new file: 0666 less the process umask. The umask can only be read
// by setting it; the agent creates files on its main thread alone.
mode_t newFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
}

bool writeAll(int fd, std::string_view contents) {
    while (!contents.empty()) {
        const ssize_t written = ::write(fd, contents.data(), contents.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            if (written == 0) {
                errno = EIO;
            }
            return false;
        }
        contents.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

}  // namespace

std::optional<std::string> AtomicFile::write(const std::filesystem::path& target,
                                             std::string_view contents) {
    const std::filesystem::path destination = resolveLinks(target);
    // Only a regular file is ever replaced: never a device, FIFO or folder a link leads to.
    struct stat existing {};
    if (::lstat(destination.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode)) {
        return describe(target, S_ISDIR(existing.st_mode) ? EISDIR : ENODEV);
    }
    std::string temporaryName =
        (destination.parent_path() / ("." + destination.filename().string() + ".XXXXXX")).string();
    // mkstemp opens with O_EXCL: a name planted by someone else is never followed.
    const int fd = ::mkostemp(temporaryName.data(), O_CLOEXEC);
    if (fd < 0) {
        return describe(target, errno);
    }
    const mode_t mode =
        ::stat(destination.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : newFileMode();
    const bool written = writeAll(fd, contents) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    const int writeError = errno;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) {
        const int error = written ? errno : writeError;
        ::unlink(temporaryName.c_str());
        return describe(target, error);
    }
    if (::rename(temporaryName.c_str(), destination.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporaryName.c_str());
        return describe(target, error);
    }
    return std::nullopt;
}

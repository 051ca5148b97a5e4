#include "platform/posix/openfile.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kLockAttempts = 5;
constexpr auto kLockRetryPause = std::chrono::milliseconds(1);
constexpr std::size_t kChunkBytes = std::size_t{64} * 1024;

}  // namespace

FileError fileError(const std::filesystem::path& path, int errorNumber, const char* verb) {
    return {errorNumber, std::string("Could not ") + verb + " \"" + path.string() +
                             "\": " + std::strerror(errorNumber)};
}

std::variant<OpenFile, FileError> OpenFile::open(const std::filesystem::path& path) {
    // O_NONBLOCK: opening a FIFO with no writer would otherwise wait for one for good.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return fileError(path, errno);
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int error = S_ISDIR(info.st_mode) ? EISDIR : ENODEV;
        ::close(fd);
        return fileError(path, error);
    }
    return OpenFile(fd, path);
}

OpenFile::OpenFile(OpenFile&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_path(std::move(other.m_path)) {}

OpenFile& OpenFile::operator=(OpenFile&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = std::exchange(other.m_fd, -1);
        m_path = std::move(other.m_path);
    }
    return *this;
}

OpenFile::~OpenFile() {
    if (m_fd >= 0) {
        ::close(m_fd);  // also releases the advisory lock
    }
}

void OpenFile::tryLock(int operation) const {
    for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
        if (::flock(m_fd, operation | LOCK_NB) == 0) {
            return;
        }
        std::this_thread::sleep_for(kLockRetryPause);
    }
}

void OpenFile::unlock() const {
    ::flock(m_fd, LOCK_UN);
}

std::variant<std::string, FileError> OpenFile::readFrom(off_t offset) const {
    std::string bytes;
    // More than the cap ends at the end of the file or fails.
    auto read = appendFrom(offset, FileSystem::kMaxFileBytes + 1, bytes);
    if (auto* error = std::get_if<FileError>(&read)) {
        return std::move(*error);
    }
    return bytes;
}

std::variant<bool, FileError> OpenFile::appendFrom(off_t offset, std::size_t maxBytes,
                                                   std::string& bytes) const {
    struct stat info {};
    if (::fstat(m_fd, &info) != 0) {
        return fileError(m_path, errno);
    }
    if (static_cast<std::uint64_t>(info.st_size) > FileSystem::kMaxFileBytes) {
        return fileError(m_path, EFBIG);
    }
    const std::size_t start = bytes.size();
    const std::size_t rest =
        info.st_size > offset ? static_cast<std::size_t>(info.st_size - offset) : 0;
    // The whole rest is reserved at once, with room for the read that finds the end: a
    // flood-sized buffer that grows is copied whole, and reserved pages cost nothing until
    // they are written.
    bytes.reserve(start + rest + kChunkBytes);
    bytes.resize(start + std::min(rest, maxBytes));
    std::size_t done = start;
    for (;;) {
        if (done == bytes.size()) {
            if (done - start == maxBytes) {
                return false;
            }
            // A writer may still be appending: read on until the end, in chunks.
            bytes.resize(std::min(done + kChunkBytes, start + maxBytes));
        }
        const off_t at = offset + static_cast<off_t>(done - start);
        const ssize_t count = ::pread(m_fd, bytes.data() + done, bytes.size() - done, at);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            return fileError(m_path, errno);  // EIO for a failing disk
        }
        if (count == 0) {
            bytes.resize(done);
            return true;
        }
        done += static_cast<std::size_t>(count);
        if (static_cast<std::uint64_t>(at + count) > FileSystem::kMaxFileBytes) {
            return fileError(m_path, EFBIG);
        }
    }
}

bool OpenFile::isStillAt(const std::filesystem::path& path) const {
    struct stat opened {};
    struct stat named {};
    return ::fstat(m_fd, &opened) == 0 && ::stat(path.c_str(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

std::variant<std::string, FileError> readRegularFile(const std::filesystem::path& path) {
    auto opened = OpenFile::open(path);
    if (auto* error = std::get_if<FileError>(&opened)) {
        return std::move(*error);
    }
    const auto& file = std::get<OpenFile>(opened);
    // A writer that locks while it writes is never read half-way.
    file.tryLock(LOCK_SH);
    return file.readFrom(0);
}

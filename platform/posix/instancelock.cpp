#include "platform/posix/instancelock.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>
#include <system_error>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The holder writes its ID just after it takes the lock; a look in between finds the file empty.
constexpr int kProcessIdReads = 20;
constexpr auto kProcessIdReadPause = std::chrono::milliseconds(5);

std::string describe(const std::filesystem::path& file, int errorNumber) {
    return "\"" + file.string() + "\": " + std::strerror(errorNumber);
}

// A process ID and a line feed, and nothing else.
std::optional<pid_t> readProcessId(int fd) {
    std::array<char, 24> bytes{};
    const ssize_t count = ::pread(fd, bytes.data(), bytes.size(), 0);
    if (count < 2 || bytes.at(static_cast<std::size_t>(count) - 1) != '\n') {
        return std::nullopt;
    }
    const char* const end = bytes.data() + count - 1;
    pid_t id = 0;
    const auto [parsedTo, error] = std::from_chars(bytes.data(), end, id);
    if (error != std::errc() || parsedTo != end || id <= 0) {
        return std::nullopt;
    }
    return id;
}

}  // namespace

std::variant<InstanceLock, InstanceLock::HeldElsewhere, InstanceLock::Unavailable>
InstanceLock::take(const std::filesystem::path& file) {
    std::error_code folderError;
    std::filesystem::create_directories(file.parent_path(), folderError);
    if (folderError) {
        return Unavailable{describe(file.parent_path(), folderError.value())};
    }
    // A link there is never followed to a file elsewhere, and a FIFO never waits for a writer.
    const int fd = ::open(file.c_str(),
                          O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
    if (fd < 0) {
        return Unavailable{describe(file, errno)};
    }
    InstanceLock lock(fd);
    // A second name would make the ID written here land in some other file too.
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_nlink != 1) {
        return Unavailable{"\"" + file.string() + "\" is not a file of its own"};
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK) {
            return Unavailable{describe(file, errno)};
        }
        for (int attempt = 0; attempt < kProcessIdReads; ++attempt) {
            if (const auto holder = readProcessId(fd)) {
                return HeldElsewhere{holder};
            }
            std::this_thread::sleep_for(kProcessIdReadPause);
        }
        return HeldElsewhere{};
    }
    // The ID is only for the line a second agent prints; the lock holds without it.
    const std::string id = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) == 0) {
        [[maybe_unused]] const ssize_t written = ::pwrite(fd, id.data(), id.size(), 0);
    }
    return lock;
}

InstanceLock::InstanceLock(InstanceLock&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

InstanceLock::~InstanceLock() {
    if (m_fd >= 0) {
        ::close(m_fd);  // releases the lock
    }
}

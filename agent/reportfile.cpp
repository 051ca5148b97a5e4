#include "reportfile.h"

#include "atomicfile.h"
#include "filecontents.h"
#include "productlocations.h"
#include "reporttext.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A scanner that holds the advisory lock for longer than this is not waited for: the main
// thread must stay responsive, and appends are salvaged without the lock anyway.
constexpr int kLockAttempts = 20;
constexpr auto kLockRetryPause = std::chrono::milliseconds(5);
// A file replaced under us by another program is re-read this many times before giving up.
constexpr int kReplaceAttempts = 3;

class OpenFile final {
public:
    explicit OpenFile(const std::filesystem::path& path)
        : m_fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    OpenFile(OpenFile&&) = delete;
    OpenFile& operator=(OpenFile&&) = delete;
    ~OpenFile() {
        if (m_fd >= 0) {
            ::close(m_fd);  // also releases the advisory lock
        }
    }

    bool isOpen() const { return m_fd >= 0; }

    void tryLock() const {
        for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
            if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0) {
                return;
            }
            std::this_thread::sleep_for(kLockRetryPause);
        }
    }

    // The bytes from `offset` to the current end, or nothing on a read error.
    std::optional<std::string> readFrom(off_t offset) const {
        std::string bytes;
        std::array<char, size_t{64} * 1024> chunk{};
        for (;;) {
            const ssize_t count = ::pread(m_fd, chunk.data(), chunk.size(), offset);
            if (count < 0 && errno == EINTR) {
                continue;
            }
            if (count < 0) {
                return std::nullopt;
            }
            if (count == 0) {
                return bytes;
            }
            bytes.append(chunk.data(), static_cast<size_t>(count));
            offset += count;
        }
    }

    // Whether `path` still names the file this descriptor reads.
    bool isStillAt(const std::filesystem::path& path) const {
        struct stat opened {};
        struct stat named {};
        return ::fstat(m_fd, &opened) == 0 && ::stat(path.c_str(), &named) == 0 &&
               opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
    }

private:
    int m_fd = -1;
};

// Appends what the scanner wrote into the replaced file after we read it.
void salvageAppends(const OpenFile& replaced, off_t readLength, const std::filesystem::path& path) {
    const auto late = replaced.readFrom(readLength);
    if (!late || late->empty()) {
        return;
    }
    // The rewritten file ends without a line feed; keep the late entries on lines of their own.
    std::string bytes = late->front() == '\n' ? *late : "\n" + *late;
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    std::string_view rest = bytes;
    while (!rest.empty()) {
        const ssize_t written = ::write(fd, rest.data(), rest.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            break;
        }
        rest.remove_prefix(static_cast<size_t>(written));
    }
    ::close(fd);
}

}  // namespace

ReportFile::ReportFile(std::filesystem::path homeDirectory, std::string fileName)
    : m_homeDirectory(std::move(homeDirectory)), m_fileName(std::move(fileName)) {}

std::filesystem::path ReportFile::path() const {
    return ProductLocations::dataFile(m_homeDirectory, m_fileName);
}

std::optional<std::vector<std::string>> ReportFile::readEntries() const {
    auto bytes = FileContents::read(path());
    auto* raw = std::get_if<std::string>(&bytes);
    if (raw == nullptr) {
        return std::nullopt;
    }
    auto text = ReportText::decode(std::move(*raw));
    if (!text) {
        return std::nullopt;
    }
    return ReportText::split(*text);
}

std::optional<std::string> ReportFile::removeEntry(const std::string& entry) const {
    const std::filesystem::path file = path();
    for (int attempt = 0; attempt < kReplaceAttempts; ++attempt) {
        const OpenFile current(file);
        if (!current.isOpen()) {
            return std::nullopt;
        }
        current.tryLock();
        auto bytes = current.readFrom(0);
        if (!bytes) {
            return std::nullopt;
        }
        const auto readLength = static_cast<off_t>(bytes->size());
        auto text = ReportText::decode(std::move(*bytes));
        if (!text) {
            return std::nullopt;
        }
        auto entries = ReportText::split(*text);
        std::erase(entries, entry);
        if (!current.isStillAt(file)) {
            continue;  // another program replaced the file since we opened it: read it again
        }
        if (auto error = AtomicFile::write(file, ReportText::join(entries))) {
            return error;
        }
        salvageAppends(current, readLength, file);
        return std::nullopt;
    }
    return std::nullopt;
}

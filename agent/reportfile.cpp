#include "reportfile.h"

#include "atomicfile.h"
#include "productlocations.h"
#include "reporttext.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <string_view>
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
// How long the replaced file must stay unchanged before late appends count as all carried over.
constexpr int kSalvageQuietChecks = 2;
constexpr auto kSalvagePause = std::chrono::milliseconds(1);
constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

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

    // `operation` is LOCK_SH to read, LOCK_EX to replace.
    void tryLock(int operation) const {
        for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
            if (::flock(m_fd, operation | LOCK_NB) == 0) {
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

bool appendTo(const std::filesystem::path& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            break;
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    ::close(fd);
    return bytes.empty();
}

// Carries what the scanner wrote into the replaced file after we read it over to the new one.
// A writer that opened the old file just before the replace may still be writing, so the old
// file is watched until it has been quiet for a moment. `readEndedLine` says whether the bytes
// we read ended with a line feed: the rewritten file never does, so the feed is put back;
// otherwise the late bytes finish a line the scanner was still writing.
void salvageAppends(const OpenFile& replaced, off_t readLength, bool readEndedLine,
                    const std::filesystem::path& path) {
    off_t offset = readLength;
    bool first = true;
    for (int quietChecks = 0; quietChecks < kSalvageQuietChecks;) {
        const auto late = replaced.readFrom(offset);
        if (!late || late->empty()) {
            ++quietChecks;
            std::this_thread::sleep_for(kSalvagePause);
            continue;
        }
        quietChecks = 0;
        const bool needsLineFeed = first && readEndedLine && late->front() != '\n';
        if (!appendTo(path, needsLineFeed ? "\n" + *late : *late)) {
            return;
        }
        offset += static_cast<off_t>(late->size());
        first = false;
    }
}

}  // namespace

ReportFile::ReportFile(const std::filesystem::path& homeDirectory, std::string_view fileName)
    : m_path(ProductLocations::dataFile(homeDirectory, fileName)) {}

std::optional<std::string> ReportFile::readText() const {
    const OpenFile file(m_path);
    if (!file.isOpen()) {
        return std::nullopt;
    }
    // Shared with other readers; a scanner that locks while it writes is never read half-way.
    file.tryLock(LOCK_SH);
    auto bytes = file.readFrom(0);
    if (!bytes) {
        return std::nullopt;
    }
    return ReportText::decode(std::move(*bytes));
}

std::optional<std::string> ReportFile::removeEntry(const std::string& entry) const {
    for (int attempt = 0; attempt < kReplaceAttempts; ++attempt) {
        const OpenFile current(m_path);
        if (!current.isOpen()) {
            return std::nullopt;
        }
        current.tryLock(LOCK_EX);
        auto bytes = current.readFrom(0);
        if (!bytes) {
            return std::nullopt;
        }
        const auto readLength = static_cast<off_t>(bytes->size());
        const bool readEndedLine = bytes->ends_with('\n');
        auto text = ReportText::decode(std::move(*bytes));
        if (!text) {
            return std::nullopt;
        }
        auto entries = ReportText::split(*text);
        std::erase(entries, entry);
        if (!current.isStillAt(m_path)) {
            continue;  // another program replaced the file since we opened it: read it again
        }
        std::string rewritten = ReportText::join(entries);
        // Read back, a U+FEFF that now opens the file would pass for a byte-order mark and be
        // dropped from its entry; a mark in front of it is dropped instead.
        if (rewritten.starts_with(kUtf8ByteOrderMark)) {
            rewritten.insert(0, kUtf8ByteOrderMark);
        }
        if (auto error = AtomicFile::write(m_path, rewritten)) {
            return error;
        }
        salvageAppends(current, readLength, readEndedLine, m_path);
        return std::nullopt;
    }
    return std::nullopt;
}

#include "platform/posix/posixfilesystem.h"

#include "platform/posix/atomicfile.h"
#include "platform/posix/openfile.h"

#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A file replaced under us by another program is read again this many times before giving up.
constexpr int kRewriteAttempts = 3;

std::int64_t nanos(const timespec& time) {
    return std::int64_t{time.tv_sec} * 1'000'000'000 + time.tv_nsec;
}

bool appendTo(const fs::path& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
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
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    ::close(fd);
    return bytes.empty();
}

// The old file of a rewrite, kept open: a writer that opened it before the replace may still
// write into it, and what it writes belongs in the new file.
class PosixReplacedFile final : public ReplacedFile {
public:
    PosixReplacedFile(OpenFile old, off_t readLength, bool readEndedLine, fs::path path)
        : m_old(std::move(old)),
          m_offset(readLength),
          m_lineFeedOwed(readEndedLine),
          m_path(std::move(path)) {}

    void carryOverLateAppends() override {
        auto late = m_old.readFrom(m_offset);
        const auto* bytes = std::get_if<std::string>(&late);
        if (bytes == nullptr || bytes->empty()) {
            return;
        }
        // The new file never ends in a line feed; the bytes we read did, so it is put back
        // unless the late bytes bring their own. Otherwise they finish a line a writer was
        // still writing when we read.
        const bool lineFeedFirst = m_lineFeedOwed && bytes->front() != '\n';
        if (appendTo(m_path, lineFeedFirst ? "\n" + *bytes : *bytes)) {
            m_offset += static_cast<off_t>(bytes->size());
            m_lineFeedOwed = false;
        }
    }

private:
    OpenFile m_old;
    off_t m_offset = 0;
    bool m_lineFeedOwed = false;
    fs::path m_path;
};

class PosixFileReader final : public FileReader {
public:
    explicit PosixFileReader(OpenFile file) : m_file(std::move(file)) {}

    std::variant<bool, FileError> readPiece(std::string& bytes, std::size_t maxBytes) override {
        // A writer that locks while it writes is never read half-way; between pieces it may go on.
        m_file.tryLock(LOCK_SH);
        const std::size_t before = bytes.size();
        auto read = m_file.appendFrom(m_offset, maxBytes, bytes);
        m_file.unlock();
        m_offset += static_cast<off_t>(bytes.size() - before);
        return read;
    }

private:
    OpenFile m_file;
    off_t m_offset = 0;
};

}  // namespace

std::optional<FileStamp> PosixFileSystem::stamp(const fs::path& path) {
    // Polled once a second for a whole session: a path lookup is most of an idle tick's cost.
    if (m_watch.unchanged(path)) {
        if (const auto known = m_stamps.find(path.native()); known != m_stamps.end()) {
            return known->second;
        }
    }
    m_watch.looking(path);
    auto& known = m_stamps[path.native()];
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        known.reset();
        if (errno == ENOENT || errno == ENOTDIR) {
            known = FileStamp::absent();
        }
    } else if (!S_ISREG(info.st_mode)) {
        known.reset();
    } else {
        known = FileStamp{info.st_dev, info.st_ino, info.st_size, nanos(info.st_mtim),
                          nanos(info.st_ctim)};
    }
    return known;
}

std::variant<std::unique_ptr<FileReader>, FileError> PosixFileSystem::openForReading(
    const fs::path& path) {
    auto opened = OpenFile::open(path);
    if (auto* error = std::get_if<FileError>(&opened)) {
        return std::move(*error);
    }
    return std::make_unique<PosixFileReader>(std::move(std::get<OpenFile>(opened)));
}

std::optional<FileError> PosixFileSystem::replace(const fs::path& path, std::string_view contents) {
    std::error_code folderError;
    fs::create_directories(path.parent_path(), folderError);
    if (folderError) {
        return FileError{folderError.value(), "Could not create folder \"" +
                                                  path.parent_path().string() +
                                                  "\": " + folderError.message()};
    }
    // Our own write is looked at in full at the next look, before the loop hears of it.
    m_watch.changed(path);
    if (auto error = AtomicFile::write(path, contents)) {
        return FileError{EIO, std::move(*error)};
    }
    return std::nullopt;
}

std::variant<std::unique_ptr<ReplacedFile>, FileError> PosixFileSystem::rewrite(
    const fs::path& path, const Edit& edit) {
    for (int attempt = 0; attempt < kRewriteAttempts; ++attempt) {
        auto opened = OpenFile::open(path);
        if (std::holds_alternative<FileError>(opened)) {
            return nullptr;  // nothing there to take an entry out of
        }
        auto& current = std::get<OpenFile>(opened);
        current.tryLock(LOCK_EX);
        auto bytes = current.readFrom(0);
        if (auto* error = std::get_if<FileError>(&bytes)) {
            return std::move(*error);
        }
        auto& text = std::get<std::string>(bytes);
        const auto readLength = static_cast<off_t>(text.size());
        const bool readEndedLine = text.ends_with('\n');
        if (!current.isStillAt(path)) {
            continue;  // another program replaced the file since we opened it: read it again
        }
        auto rewritten = edit(std::move(text));
        if (!rewritten) {
            return nullptr;
        }
        m_watch.changed(path);
        if (auto error = AtomicFile::write(path, *rewritten)) {
            return FileError{EIO, std::move(*error)};
        }
        // A cooperating writer waits for the lock on the old file and then finds it replaced.
        current.unlock();
        auto replaced = std::make_unique<PosixReplacedFile>(std::move(current), readLength,
                                                            readEndedLine, path);
        replaced->carryOverLateAppends();
        return replaced;
    }
    return nullptr;
}

void PosixFileSystem::removeLeftovers(const fs::path& path) {
    // AtomicFile names its temporaries ".<name>.XXXXXX" beside the target.
    const std::string prefix = "." + path.filename().string() + ".";
    std::error_code error;
    for (fs::directory_iterator entry(path.parent_path(), error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (name.size() == prefix.size() + 6 && name.starts_with(prefix) &&
            entry->is_regular_file(error)) {
            fs::remove(entry->path(), error);
        }
    }
}

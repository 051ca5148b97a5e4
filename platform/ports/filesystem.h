#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

// One state of a file's contents, told without reading them: a file keeps its stamp until it is
// written, replaced or removed.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNanos = 0;
    std::int64_t changedNanos = 0;

    bool operator==(const FileStamp&) const = default;

    // The stamp of a path where nothing is; a file that appears there has a stamp of its own.
    static FileStamp absent() { return {}; }

    // Whether the stamp still tells the contents apart at `nowNanos` (wall clock): a second change
    // within the file system's timestamp granularity would leave it as it is, so a file changed
    // in the last two seconds has to be read again.
    bool isSettledAt(std::int64_t nowNanos) const {
        constexpr std::int64_t kSettledNanos = 2'000'000'000;
        return nowNanos - std::max(modifiedNanos, changedNanos) >= kSettledNanos;
    }
};

struct FileError {
    int errorNumber = 0;
    std::string description;
};

// A file the agent replaced while a writer may still hold the old one open.
class ReplacedFile {
public:
    ReplacedFile() = default;
    ReplacedFile(const ReplacedFile&) = delete;
    ReplacedFile& operator=(const ReplacedFile&) = delete;
    virtual ~ReplacedFile() = default;

    // Appends what was written into the old file since the last call to the file now at its
    // path, without waiting.
    virtual void carryOverLateAppends() = 0;
};

// A regular file read a piece at a time, so that reading a large one never holds its reader up
// for long.
class FileReader {
public:
    FileReader() = default;
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;
    virtual ~FileReader() = default;

    // Appends at most `maxBytes` more of the file to `bytes`, under the shared advisory lock that
    // cooperating writers take. True once the end of the file is reached.
    virtual std::variant<bool, FileError> readPiece(std::string& bytes, std::size_t maxBytes) = 0;
};

// The product's files as the agent may touch them. Every file may be hostile: reads never block,
// read only regular files and never hold more than kMaxFileBytes.
class FileSystem {
public:
    // Far above any real settings or report file (2,000,000 report lines are about 30 MB). A
    // larger file is not read at all and counts as unreadable (EFBIG).
    static constexpr std::size_t kMaxFileBytes = std::size_t{64} * 1024 * 1024;

    // Builds a new file text from the old bytes; nothing leaves the file as it is.
    using Edit = std::function<std::optional<std::string>(std::string bytes)>;

    FileSystem() = default;
    FileSystem(const FileSystem&) = delete;
    FileSystem& operator=(const FileSystem&) = delete;
    virtual ~FileSystem() = default;

    // The stamp of the regular file at `path` (through symbolic links), FileStamp::absent() where
    // nothing is, or nothing.
    virtual std::optional<FileStamp> stamp(const std::filesystem::path& path) = 0;
    // The stamp of `path` once it tells the contents apart at `nowNanos`; nothing otherwise.
    std::optional<FileStamp> settledStamp(const std::filesystem::path& path,
                                          std::int64_t nowNanos) {
        auto stamp = this->stamp(path);
        if (stamp && !stamp->isSettledAt(nowNanos)) {
            return std::nullopt;
        }
        return stamp;
    }
    // Opens the regular file at `path` (through symbolic links) to be read in pieces.
    virtual std::variant<std::unique_ptr<FileReader>, FileError> openForReading(
        const std::filesystem::path& path) = 0;
    // Reads the regular file at `path` into `bytes` in one piece, reusing their memory.
    std::optional<FileError> read(const std::filesystem::path& path, std::string& bytes) {
        auto opened = openForReading(path);
        if (auto* error = std::get_if<FileError>(&opened)) {
            return std::move(*error);
        }
        bytes.clear();
        // A piece larger than the cap ends at the end of the file or fails.
        auto read =
            std::get<std::unique_ptr<FileReader>>(opened)->readPiece(bytes, kMaxFileBytes + 1);
        if (auto* error = std::get_if<FileError>(&read)) {
            return std::move(*error);
        }
        return std::nullopt;
    }
    // The bytes of the regular file at `path`, or why they could not be read.
    std::variant<std::string, FileError> read(const std::filesystem::path& path) {
        std::string bytes;
        if (auto error = read(path, bytes)) {
            return std::move(*error);
        }
        return bytes;
    }
    // Replaces the contents of `path` atomically, creating missing folders; a symbolic link is
    // written through. A new file gets the permissions the process umask allows.
    virtual std::optional<FileError> replace(const std::filesystem::path& path,
                                             std::string_view contents) = 0;
    // Replaces the file at `path` with `edit` of its bytes, under the exclusive advisory lock,
    // carrying over what a writer appends meanwhile. Returns the old file, still open for late
    // appends, or null when the file is missing or `edit` left it alone.
    virtual std::variant<std::unique_ptr<ReplacedFile>, FileError> rewrite(
        const std::filesystem::path& path, const Edit& edit) = 0;
    // Removes the temporary files an interrupted replace of `path` left beside it.
    virtual void removeLeftovers(const std::filesystem::path& path) = 0;
};

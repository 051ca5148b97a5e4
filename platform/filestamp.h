#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

// One state of a file's contents, told without reading them: a file keeps its stamp until it is
// written, replaced or removed. Trusts the file system to stamp every change, as disk file
// systems do (pseudo-files such as those under /proc do not).
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNanos = 0;
    std::int64_t changedNanos = 0;

    bool operator==(const FileStamp&) const = default;

    // The stamp of the regular file at `path` (following symbolic links). Nothing when there is
    // none or the file changed in the last two seconds: a second change within the file
    // system's timestamp granularity would leave the stamp as it is.
    static std::optional<FileStamp> ofSettledFile(const std::filesystem::path& path);
};

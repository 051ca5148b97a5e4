#pragma once

#include "platform/ports/filesystem.h"
#include "platform/posix/pathwatch.h"

#include <string>
#include <unordered_map>

// The product's files on a POSIX file system.
class PosixFileSystem final : public FileSystem {
public:
    // Changes to the files are heard through `runLoop`, which must outlive this or drop its work
    // first.
    explicit PosixFileSystem(RunLoop& runLoop) : m_watch(runLoop) {}

    // A stamp is looked up again only when the watch says its path may have changed.
    std::optional<FileStamp> stamp(const std::filesystem::path& path) override;
    std::variant<std::unique_ptr<FileReader>, FileError> openForReading(
        const std::filesystem::path& path) override;
    std::optional<FileError> replace(const std::filesystem::path& path,
                                     std::string_view contents) override;
    std::variant<std::unique_ptr<ReplacedFile>, FileError> rewrite(
        const std::filesystem::path& path, const Edit& edit) override;
    void removeLeftovers(const std::filesystem::path& path) override;

private:
    PathWatch m_watch;
    std::unordered_map<std::string, std::optional<FileStamp>> m_stamps;
};

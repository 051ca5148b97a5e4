#pragma once

#include "platform/ports/filesystem.h"

// The product's files on a POSIX file system.
class PosixFileSystem final : public FileSystem {
public:
    std::optional<FileStamp> stamp(const std::filesystem::path& path) override;
    std::variant<std::unique_ptr<FileReader>, FileError> openForReading(
        const std::filesystem::path& path) override;
    std::optional<FileError> replace(const std::filesystem::path& path,
                                     std::string_view contents) override;
    std::variant<std::unique_ptr<ReplacedFile>, FileError> rewrite(
        const std::filesystem::path& path, const Edit& edit) override;
    void removeLeftovers(const std::filesystem::path& path) override;
};

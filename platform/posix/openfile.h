#pragma once

#include "platform/ports/filesystem.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <variant>

#include <sys/types.h>

// A regular file opened for reading, whatever else stood at its path: opening never waits on a
// FIFO or a device, and anything but a regular file is refused.
class OpenFile final {
public:
    // Opens `path` (through symbolic links) read-only, or says why it cannot.
    static std::variant<OpenFile, FileError> open(const std::filesystem::path& path);

    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    OpenFile(OpenFile&& other) noexcept;
    OpenFile& operator=(OpenFile&& other) noexcept;
    ~OpenFile();

    // Takes the advisory lock `operation` (LOCK_SH or LOCK_EX) if it comes within a few
    // milliseconds: a writer that holds it longer is not waited for, the main thread must go on.
    void tryLock(int operation) const;
    void unlock() const;
    // The bytes from `offset` to the end, or why they could not be read; more than
    // FileSystem::kMaxFileBytes from the start of the file is an error (EFBIG).
    std::variant<std::string, FileError> readFrom(off_t offset) const;
    // Appends at most `maxBytes` from `offset` on to `bytes`, with the same limit. True once the
    // end of the file is reached.
    std::variant<bool, FileError> appendFrom(off_t offset, std::size_t maxBytes,
                                             std::string& bytes) const;
    // Whether `path` still names this file.
    bool isStillAt(const std::filesystem::path& path) const;

private:
    OpenFile(int fd, std::filesystem::path path) : m_fd(fd), m_path(std::move(path)) {}

    int m_fd = -1;
    std::filesystem::path m_path;
};

// The error for `errorNumber` on `path`, worded for the agent's failure lines.
FileError fileError(const std::filesystem::path& path, int errorNumber, const char* verb = "read");

// The bytes of the regular file at `path`, read under the shared advisory lock that cooperating
// writers take.
std::variant<std::string, FileError> readRegularFile(const std::filesystem::path& path);

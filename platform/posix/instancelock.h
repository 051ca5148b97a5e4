#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <variant>

#include <sys/types.h>

// One agent per home directory: an advisory lock (flock) on a file the holder keeps open for its
// whole life. The kernel drops the lock when the holder ends, however it ends, so a lock left by a
// killed agent never keeps the next one from starting.
class InstanceLock final {
public:
    // Another process holds the lock: the process ID it wrote into the file, if it could be read.
    struct HeldElsewhere {
        std::optional<pid_t> processId;
    };
    // No lock can be had at that path: why.
    struct Unavailable {
        std::string reason;
    };

    // Takes the lock on `file` without waiting, creating the file and its folders as needed, and
    // writes this process's ID into it. Only a regular file of its own (one name, no symbolic
    // link) is locked or written; anything else there is left alone.
    static std::variant<InstanceLock, HeldElsewhere, Unavailable> take(
        const std::filesystem::path& file);

    InstanceLock(InstanceLock&& other) noexcept;
    InstanceLock& operator=(InstanceLock&&) = delete;
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    ~InstanceLock();

private:
    explicit InstanceLock(int fd) : m_fd(fd) {}

    int m_fd = -1;
};

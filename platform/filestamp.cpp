#include "filestamp.h"

#include <algorithm>
#include <ctime>

#include <sys/stat.h>

namespace {

// Longer than the coarsest timestamp granularity of the file systems a home folder lives on.
constexpr std::int64_t kSettledNanos = 2'000'000'000;

std::int64_t nanos(const timespec& time) {
    return std::int64_t{time.tv_sec} * 1'000'000'000 + time.tv_nsec;
}

}  // namespace

std::optional<FileStamp> FileStamp::ofSettledFile(const std::filesystem::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    const FileStamp stamp{info.st_dev, info.st_ino, info.st_size, nanos(info.st_mtim),
                          nanos(info.st_ctim)};
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    // A clock set back makes the file look changed just now, which only costs a read.
    if (nanos(now) - std::max(stamp.modifiedNanos, stamp.changedNanos) < kSettledNanos) {
        return std::nullopt;
    }
    return stamp;
}

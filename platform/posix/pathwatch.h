#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include <sys/inotify.h>

// Tells whether what a path names may have changed since it was last looked at, from the
// kernel's change notification (inotify) on every folder on the way to it: looking at a quiet
// file once a second then costs no lookup of its path. A path with a symbolic link on the way, or
// with no watch to be had, counts as changed at every look.
class PathWatch final {
public:
    // However quiet its folders, a path counts as changed at every this many looks: changes the
    // kernel does not report (a mount over a folder on the way, a network file system written
    // from another machine, a write through a memory map) are seen within as many looks.
    static constexpr int kQuietLooks = 30;
    // Looks this close together on the caller's clock share one read of the kernel's events:
    // the files polled in one tick cost one read().
    static constexpr std::int64_t kInstantNanos = 1'000'000;

    PathWatch();
    PathWatch(const PathWatch&) = delete;
    PathWatch& operator=(const PathWatch&) = delete;
    ~PathWatch();

    // Whether `path` is as it was at its last `looking(path)`, as far as the kernel had told at
    // the first look of the instant `nowNanos`.
    bool unchanged(const std::filesystem::path& path, std::int64_t nowNanos);
    // To be called before `path` is looked at in full: from then on, changes on its way count.
    void looking(const std::filesystem::path& path);
    // A change the caller made itself: the next look at `path` is in full.
    void changed(const std::filesystem::path& path);

private:
    // The folders on the way to a path, each with the name in it that leads on.
    struct Way {
        std::vector<std::pair<int, std::string>> steps;
        bool covered = false;
        bool changed = true;
        int quietLooks = 0;
    };

    void readEvents();
    void followWay(const std::filesystem::path& path, Way& way) const;

    int m_fd = -1;
    std::optional<std::int64_t> m_eventsReadAt;
    alignas(inotify_event) std::array<char, 4096> m_events{};
    std::unordered_map<std::string, Way> m_ways;
};

#pragma once

#include "platform/ports/runloop.h"

#include <array>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include <sys/inotify.h>

// Tells whether what a path names may have changed since it was last looked at, from the
// kernel's change notification (inotify) on every folder on the way to it: looking at a quiet
// file once a second then costs no lookup of its path, and no system call at all while the run
// loop has not heard of an event. A path with a symbolic link on the way, or with no watch to be
// had, counts as changed at every look.
class PathWatch final {
public:
    // However quiet its folders, a path counts as changed at every this many looks: changes the
    // kernel does not report (a mount over a folder on the way, a network file system written
    // from another machine, a write through a memory map) are seen within as many looks.
    static constexpr int kQuietLooks = 30;

    // Events are heard through `runLoop`, which must outlive the watch or drop its work first.
    explicit PathWatch(RunLoop& runLoop);
    PathWatch(const PathWatch&) = delete;
    PathWatch& operator=(const PathWatch&) = delete;
    ~PathWatch();

    // Whether `path` is as it was at its last `looking(path)`, as far as the kernel had told
    // when the run loop last had a turn.
    bool unchanged(const std::filesystem::path& path);
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

    void listen();
    void readEvents();
    void followWay(const std::filesystem::path& path, Way& way) const;

    RunLoop& m_runLoop;
    int m_fd = -1;
    // The run loop heard that events wait to be read.
    bool m_heard = false;
    alignas(inotify_event) std::array<char, 4096> m_events{};
    std::unordered_map<std::string, Way> m_ways;
};

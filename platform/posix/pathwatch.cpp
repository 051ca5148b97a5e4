#include "platform/posix/pathwatch.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <iterator>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Every folder on the way reports its own move, removal and change of permissions; events about
// the other names in it are left out, so that a busy folder above (the home folder, /tmp) costs
// nothing. The folder that holds the file also reports what happens to the names in it and
// writes to them; where the way breaks off early (a name missing, a link), the last folder
// reports what happens to the next name. Events about files already removed are left out: the
// agent reads a replaced file through its own descriptor.
constexpr std::uint32_t kWayFolderEvents =
    IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR | IN_DONT_FOLLOW | IN_EXCL_UNLINK;
constexpr std::uint32_t kLastFolderEvents =
    kWayFolderEvents | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
constexpr std::uint32_t kFileFolderEvents = kLastFolderEvents | IN_MODIFY | IN_CLOSE_WRITE;
// A flood of events in the folders on the way is read this many buffers at a time at most; what
// is left then counts as a change of every path.
constexpr int kEventBuffersPerRead = 16;

}  // namespace

PathWatch::PathWatch(RunLoop& runLoop)
    : m_runLoop(runLoop), m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    listen();
}

PathWatch::~PathWatch() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

bool PathWatch::unchanged(const std::filesystem::path& path) {
    const auto found = m_ways.find(path.native());
    if (m_fd < 0 || found == m_ways.end()) {
        return false;
    }
    // Events are read at the next look after the loop heard of them, not as they come: a folder
    // written to all the time wakes the agent once between two looks, not at every write.
    if (m_heard) {
        m_heard = false;
        readEvents();
        listen();
    }
    Way& way = found->second;
    return way.covered && !way.changed && ++way.quietLooks < kQuietLooks;
}

void PathWatch::looking(const std::filesystem::path& path) {
    Way& way = m_ways[path.native()];
    way.quietLooks = 0;
    if (way.changed) {
        way.changed = false;
        followWay(path, way);
    }
}

void PathWatch::listen() {
    if (m_fd >= 0) {
        m_runLoop.postWhenReadable(m_fd, [this] { m_heard = true; });
    }
}

void PathWatch::changed(const std::filesystem::path& path) {
    if (const auto found = m_ways.find(path.native()); found != m_ways.end()) {
        found->second.changed = true;
    }
}

void PathWatch::followWay(const std::filesystem::path& path, Way& way) const {
    way.steps.clear();
    way.covered = false;
    if (m_fd < 0 || !path.is_absolute()) {
        return;
    }
    std::filesystem::path folder = path.root_path();
    const std::filesystem::path names = path.relative_path();
    auto left = static_cast<std::size_t>(std::distance(names.begin(), names.end()));
    for (const auto& name : names) {
        if (name.empty() || name == "." || name == "..") {
            return;
        }
        const int watch = ::inotify_add_watch(m_fd, folder.c_str(),
                                              left == 1 ? kFileFolderEvents : kWayFolderEvents);
        if (watch < 0) {
            // The way breaks off here (a name missing, a link, no permission): the folder above
            // reports when this name changes. Nothing more can change while it is missing.
            const bool missing = errno == ENOENT;
            way.covered =
                !way.steps.empty() &&
                ::inotify_add_watch(m_fd, folder.parent_path().c_str(), kLastFolderEvents) >= 0 &&
                missing;
            return;
        }
        way.steps.emplace_back(watch, name.native());
        folder /= name;
        --left;
    }
    // A symbolic link leads to a file no watch looks at.
    struct stat info {};
    way.covered = ::lstat(path.c_str(), &info) == 0 ? !S_ISLNK(info.st_mode) : errno == ENOENT;
}

void PathWatch::readEvents() {
    for (int read = 0; read < kEventBuffersPerRead; ++read) {
        const ssize_t count = ::read(m_fd, m_events.data(), m_events.size());
        if (count <= 0) {
            return;
        }
        for (ssize_t at = 0; at < count;) {
            const auto* event = reinterpret_cast<const inotify_event*>(m_events.data() + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            const std::string_view name = event->len > 0 ? event->name : "";
            const bool all = (event->mask & IN_Q_OVERFLOW) != 0;
            // An event about the folder itself (no name) concerns every way through it.
            for (auto& [path, way] : m_ways) {
                for (const auto& [watch, step] : way.steps) {
                    way.changed = way.changed || all ||
                                  (watch == event->wd && (name.empty() || name == step));
                }
            }
            if ((event->mask & IN_MOVE_SELF) != 0) {
                ::inotify_rm_watch(m_fd, event->wd);  // moved away: no longer on any way
            }
        }
    }
    for (auto& [path, way] : m_ways) {
        way.changed = true;
    }
}

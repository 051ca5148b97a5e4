// Waits for a window event on the X display and prints how long it took, in milliseconds with
// microsecond digits. Polls every millisecond, so the figure is accurate to about that much;
// spawning xdotool or xwininfo in a loop would add several milliseconds per look.
//
//   xwait docked <instance> <host class> <timeout s> [<since ns>]
//       until a window of WM_CLASS instance <instance> sits inside a window of class
//       <host class> (a tray icon embedded in the tray host); time from <since> (CLOCK_REALTIME
//       nanoseconds, as `date +%s%N` prints), or from the start of xwait
//   xwait shown <title> <timeout s> [<report file> <line>]
//       until a viewable window is titled <title>; with a report file, first appends
//       "\n<line>\n" to it as a scanner does (O_APPEND, under flock) and times from that write
//   xwait gone <title> <timeout s>
//       until no viewable window is titled <title>
// Exit status 0 when the event happened, 1 on timeout, 2 on bad use.

#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::system_clock;

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T>
Reply<T> own(T* reply) {
    return {reply, &std::free};
}

class Display {
public:
    Display() : m_connection(xcb_connect(nullptr, nullptr)) {
        if (xcb_connection_has_error(m_connection) == 0) {
            m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
            m_netWmName = atom("_NET_WM_NAME");
            m_utf8 = atom("UTF8_STRING");
        }
    }
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;
    ~Display() { xcb_disconnect(m_connection); }

    bool ok() const { return xcb_connection_has_error(m_connection) == 0; }
    xcb_window_t root() const { return m_root; }

    // Every window below `top`, depth first.
    std::vector<xcb_window_t> descendants(xcb_window_t top) const {
        std::vector<xcb_window_t> all;
        std::vector<xcb_window_t> pending{top};
        while (!pending.empty()) {
            const xcb_window_t window = pending.back();
            pending.pop_back();
            const auto tree = own(
                xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, window), nullptr));
            if (!tree) {
                continue;
            }
            const xcb_window_t* children = xcb_query_tree_children(tree.get());
            for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
                all.push_back(children[i]);
                pending.push_back(children[i]);
            }
        }
        return all;
    }

    xcb_window_t parent(xcb_window_t window) const {
        const auto tree =
            own(xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, window), nullptr));
        return tree ? tree->parent : XCB_NONE;
    }

    // The titles of all viewable top-level windows, fetched in one round of requests.
    std::vector<std::string> viewableTitles() const {
        const auto windows = descendants(m_root);
        std::vector<xcb_get_window_attributes_cookie_t> attributes;
        std::vector<xcb_get_property_cookie_t> names;
        for (const xcb_window_t window : windows) {
            attributes.push_back(xcb_get_window_attributes(m_connection, window));
            names.push_back(xcb_get_property(m_connection, 0, window, m_netWmName, m_utf8, 0, 256));
        }
        std::vector<std::string> titles;
        for (size_t i = 0; i < windows.size(); ++i) {
            const auto attribute =
                own(xcb_get_window_attributes_reply(m_connection, attributes[i], nullptr));
            const auto name = own(xcb_get_property_reply(m_connection, names[i], nullptr));
            if (attribute && name && attribute->map_state == XCB_MAP_STATE_VIEWABLE) {
                titles.emplace_back(static_cast<const char*>(xcb_get_property_value(name.get())),
                                    static_cast<size_t>(xcb_get_property_value_length(name.get())));
            }
        }
        return titles;
    }

    // WM_CLASS as "instance\0class".
    std::string windowClass(xcb_window_t window) const {
        const auto reply = own(xcb_get_property_reply(
            m_connection,
            xcb_get_property(m_connection, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 64),
            nullptr));
        if (!reply) {
            return {};
        }
        return {static_cast<const char*>(xcb_get_property_value(reply.get())),
                static_cast<size_t>(xcb_get_property_value_length(reply.get()))};
    }

private:
    xcb_atom_t atom(const char* name) const {
        const auto reply = own(xcb_intern_atom_reply(
            m_connection,
            xcb_intern_atom(m_connection, 0, static_cast<uint16_t>(std::strlen(name)), name),
            nullptr));
        return reply ? reply->atom : XCB_NONE;
    }

    xcb_connection_t* m_connection;
    xcb_window_t m_root = XCB_NONE;
    xcb_atom_t m_netWmName = XCB_NONE;
    xcb_atom_t m_utf8 = XCB_NONE;
};

std::string_view instanceOf(const std::string& windowClass) {
    return std::string_view(windowClass.c_str());
}

std::string_view classOf(const std::string& windowClass) {
    const auto zero = windowClass.find('\0');
    return zero == std::string::npos ? std::string_view()
                                     : std::string_view(windowClass.c_str() + zero + 1);
}

bool isDocked(const Display& display, std::string_view instance, std::string_view host) {
    for (const xcb_window_t window : display.descendants(display.root())) {
        if (instanceOf(display.windowClass(window)) != instance) {
            continue;
        }
        for (xcb_window_t above = display.parent(window);
             above != XCB_NONE && above != display.root(); above = display.parent(above)) {
            if (classOf(display.windowClass(above)) == host) {
                return true;
            }
        }
    }
    return false;
}

bool isShown(const Display& display, const std::string& title) {
    for (const auto& shown : display.viewableTitles()) {
        if (shown == title) {
            return true;
        }
    }
    return false;
}

// Appends one entry the way a scanner does, so that the agent never loses or merges it.
bool appendEntry(const char* file, const std::string& line) {
    const std::string bytes = "\n" + line + "\n";
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int fd = ::open(file, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) {
            return false;
        }
        struct stat opened {};
        struct stat named {};
        if (::flock(fd, LOCK_EX) != 0 || ::fstat(fd, &opened) != 0 || ::stat(file, &named) != 0 ||
            opened.st_ino != named.st_ino || opened.st_dev != named.st_dev) {
            ::close(fd);  // replaced while we waited for the lock: start again
            continue;
        }
        const bool written =
            ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
        ::close(fd);
        return written;
    }
    return false;
}

template <typename Condition>
int waitFor(Clock::time_point since, double timeoutSeconds, Condition condition) {
    const auto deadline = Clock::now() + std::chrono::duration<double>(timeoutSeconds);
    while (!condition()) {
        if (Clock::now() > deadline) {
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const std::chrono::duration<double, std::milli> elapsed = Clock::now() - since;
    std::printf("%.3f\n", elapsed.count());
    return 0;
}

int usage() {
    std::fputs(
        "usage: xwait docked <instance> <host class> <timeout s> [<since ns>]\n"
        "       xwait shown <title> <timeout s> [<report file> <line>]\n"
        "       xwait gone <title> <timeout s>\n",
        stderr);
    return 2;
}

}  // namespace

int main(int argc, char* argv[]) {
    auto since = Clock::now();
    if (argc < 4) {
        return usage();
    }
    const std::string_view mode = argv[1];
    const Display display;
    if (!display.ok()) {
        std::fputs("xwait: cannot open the display\n", stderr);
        return 2;
    }
    if (mode == "docked" && (argc == 5 || argc == 6)) {
        if (argc == 6) {
            since = Clock::time_point(std::chrono::duration_cast<Clock::duration>(
                std::chrono::nanoseconds(std::strtoll(argv[5], nullptr, 10))));
        }
        const std::string_view instance = argv[2];
        const std::string_view host = argv[3];
        return waitFor(since, std::atof(argv[4]),
                       [&] { return isDocked(display, instance, host); });
    }
    if (mode == "shown" && (argc == 4 || argc == 6)) {
        const std::string title = argv[2];
        if (argc == 6) {
            since = Clock::now();
            if (!appendEntry(argv[4], argv[5])) {
                std::perror("xwait: append");
                return 2;
            }
        }
        return waitFor(since, std::atof(argv[3]), [&] { return isShown(display, title); });
    }
    if (mode == "gone" && argc == 4) {
        const std::string title = argv[2];
        return waitFor(since, std::atof(argv[3]), [&] { return !isShown(display, title); });
    }
    return usage();
}

#include "platform/posix/bundleworkspace.h"

#include "platform/posix/openfile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <plist/plist.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using PlistPointer = std::unique_ptr<void, decltype(&plist_free)>;

std::optional<std::string> readFile(const fs::path& file) {
    auto bytes = readRegularFile(file);
    if (auto* text = std::get_if<std::string>(&bytes)) {
        return std::move(*text);
    }
    return std::nullopt;
}

template <typename Number>
std::optional<Number> parseNumber(std::string_view text) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// The Info.plist dictionary of `bundle`; null when it is missing, unreadable or not a dictionary.
PlistPointer readInfoPlist(const fs::path& bundle) {
    PlistPointer none(nullptr, plist_free);
    const auto bytes = readFile(bundle / "Contents" / "Info.plist");
    if (!bytes || bytes->empty() || bytes->size() > UINT32_MAX) {
        return none;
    }
    plist_t root = nullptr;
    plist_from_memory(bytes->data(), static_cast<uint32_t>(bytes->size()), &root);
    PlistPointer owned(root, plist_free);
    return plist_get_node_type(root) == PLIST_DICT ? std::move(owned) : std::move(none);
}

std::optional<std::string> stringValue(plist_t dictionary, const char* key) {
    plist_t item = plist_dict_get_item(dictionary, key);
    if (plist_get_node_type(item) != PLIST_STRING) {
        return std::nullopt;
    }
    uint64_t length = 0;
    const char* text = plist_get_string_ptr(item, &length);
    return text != nullptr ? std::optional<std::string>(std::in_place, text, length) : std::nullopt;
}

// The bundle whose Contents/MacOS folder holds `executable`. The innermost one wins: a helper
// application nested inside another bundle is an application of its own.
std::optional<fs::path> enclosingBundle(const fs::path& executable) {
    if (!executable.is_absolute()) {
        return std::nullopt;
    }
    const std::vector<fs::path> parts(executable.begin(), executable.end());
    for (size_t index = parts.size(); index-- > 0;) {
        const std::string name = parts[index].string();
        if (index + 3 < parts.size() && name.size() > 4 && name.ends_with(".app") &&
            parts[index + 1] == "Contents" && parts[index + 2] == "MacOS") {
            fs::path bundle;
            for (size_t part = 0; part <= index; ++part) {
                bundle /= parts[part];
            }
            return bundle;
        }
    }
    return std::nullopt;
}

// The bundle a process runs from: its executable, or for a script the interpreter's first
// argument, which is all that names the script.
std::optional<fs::path> bundleOfProcess(const fs::path& process) {
    std::error_code error;
    const fs::path executable = fs::read_symlink(process / "exe", error);
    if (!error) {
        if (auto bundle = enclosingBundle(executable)) {
            return bundle;
        }
    }
    const auto commandLine = readFile(process / "cmdline");
    if (!commandLine) {
        return std::nullopt;
    }
    size_t begin = 0;
    for (int index = 0; index < 2 && begin < commandLine->size(); ++index) {
        const size_t end = std::min(commandLine->find('\0', begin), commandLine->size());
        fs::path argument = commandLine->substr(begin, end - begin);
        begin = end + 1;
        if (argument.empty()) {
            continue;
        }
        if (argument.is_relative()) {
            const fs::path directory = fs::read_symlink(process / "cwd", error);
            if (error) {
                continue;
            }
            argument = directory / argument;
        }
        if (auto bundle = enclosingBundle(argument.lexically_normal())) {
            return bundle;
        }
    }
    return std::nullopt;
}

// Field 22 of stat, in clock ticks since boot. The command name before it may hold spaces and
// parentheses, so counting starts after the last ')'.
std::optional<unsigned long long> startTime(const fs::path& process) {
    const auto stat = readFile(process / "stat");
    const size_t nameEnd = stat ? stat->rfind(')') : std::string::npos;
    if (nameEnd == std::string::npos) {
        return std::nullopt;
    }
    std::istringstream fields(stat->substr(nameEnd + 1));
    std::string field;
    for (int number = 3; number <= 22; ++number) {
        if (!(fields >> field)) {
            return std::nullopt;
        }
    }
    return parseNumber<unsigned long long>(field);
}

// The real user of a process, from the "Uid:" line of status.
std::optional<uid_t> realUser(const fs::path& process) {
    const auto status = readFile(process / "status");
    if (!status) {
        return std::nullopt;
    }
    std::istringstream lines(*status);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.starts_with("Uid:")) {
            std::istringstream ids(line.substr(4));
            std::string real;
            ids >> real;
            return parseNumber<uid_t>(real);
        }
    }
    return std::nullopt;
}

// Runs in the grandchild, between fork and exec: async-signal-safe calls only.
[[noreturn]] void becomeApplication(const char* executable, char* const argv[],
                                    char* const environment[], const sigset_t& noSignals,
                                    int devNull, int statusPipe) {
    // The application starts with a clean signal state, not with what the agent blocks or ignores.
    ::sigprocmask(SIG_SETMASK, &noSignals, nullptr);
    for (int signal = 1; signal < NSIG; ++signal) {
        ::signal(signal, SIG_DFL);
    }
    // The agent's output is one line per event: the application gets standard streams of its
    // own instead of the agent's.
    for (const int stream : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (devNull != stream) {
            ::dup2(devNull, stream);
        } else {
            ::fcntl(stream, F_SETFD, 0);
        }
    }
    // Keeps the agent's working folder from being held busy by the application.
    if (::chdir("/") != 0) {
        // Not worth failing for: the application gets the agent's folder instead.
    }
    ::execve(executable, argv, environment);
    const int error = errno;
    if (::write(statusPipe, &error, sizeof error) < 0) {
        // Nobody left to tell; the agent then sees the pipe close without a report.
    }
    ::_exit(127);
}

// Starts `executable` as a grandchild in a session of its own, which init adopts: the agent
// neither waits for it nor leaves a zombie behind. A close-on-exec pipe reports whether the exec
// itself succeeded.
bool startDetached(const std::string& executable) {
    std::string argument0 = executable;
    char* argv[] = {argument0.data(), nullptr};
    char** const environment = environ;
    sigset_t noSignals;
    sigemptyset(&noSignals);
    const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (devNull < 0) {
        return false;
    }
    int statusPipe[2];
    if (::pipe2(statusPipe, O_CLOEXEC) != 0) {
        ::close(devNull);
        return false;
    }

    const pid_t intermediate = ::fork();
    if (intermediate == 0) {
        ::close(statusPipe[0]);
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild == 0) {
            becomeApplication(executable.c_str(), argv, environment, noSignals, devNull,
                              statusPipe[1]);
        }
        if (grandchild < 0) {
            const int error = errno;
            if (::write(statusPipe[1], &error, sizeof error) < 0) {
                // The parent then sees the pipe close and assumes success; nothing better to do.
            }
        }
        ::_exit(0);
    }

    ::close(devNull);
    ::close(statusPipe[1]);
    if (intermediate > 0) {
        int ignored = 0;
        while (::waitpid(intermediate, &ignored, 0) < 0 && errno == EINTR) {
        }
    }
    int childError = 0;
    ssize_t count = 0;
    // Ends at the exec, when the write end closes, or with the errno of a failed start.
    while ((count = ::read(statusPipe[0], &childError, sizeof childError)) < 0 && errno == EINTR) {
    }
    ::close(statusPipe[0]);
    return intermediate > 0 && count == 0;
}

}  // namespace

BundleWorkspace::BundleWorkspace(std::filesystem::path procRoot)
    : m_procRoot(std::move(procRoot)) {}

bool BundleWorkspace::openBundle(const std::string& bundlePath) {
    std::error_code error;
    const fs::path bundle = fs::absolute(bundlePath, error);
    if (error) {
        return false;
    }
    const PlistPointer info = readInfoPlist(bundle);
    const auto name = info ? stringValue(info.get(), "CFBundleExecutable") : std::nullopt;
    // The executable sits directly in Contents/MacOS; a name cannot lead out of the bundle.
    if (!name || name->empty() || name->find('/') != std::string::npos || *name == "." ||
        *name == "..") {
        return false;
    }
    const fs::path executable = bundle / "Contents" / "MacOS" / *name;
    if (!fs::is_regular_file(executable, error) || ::access(executable.c_str(), X_OK) != 0) {
        return false;
    }
    return startDetached(executable.string());
}

std::vector<RunningApplication> BundleWorkspace::runningApplications() {
    struct Found {
        unsigned long long startTime = 0;
        RunningApplication application;
    };
    std::vector<Found> found;
    std::map<fs::path, std::optional<std::string>> identifiers;
    const uid_t user = ::getuid();
    std::error_code error;
    for (fs::directory_iterator entry(m_procRoot, error), end; !error && entry != end;
         entry.increment(error)) {
        const fs::path process = entry->path();
        const auto processId = parseNumber<int>(process.filename().string());
        if (!processId) {
            continue;
        }
        const auto bundle = bundleOfProcess(process);
        if (!bundle) {
            continue;
        }
        // Reading these fails when the process has ended meanwhile; it is then left out.
        const auto started = startTime(process);
        if (!started || realUser(process) != user) {
            continue;
        }
        auto cached = identifiers.find(*bundle);
        if (cached == identifiers.end()) {
            const PlistPointer info = readInfoPlist(*bundle);
            cached = identifiers
                         .emplace(*bundle, info ? stringValue(info.get(), "CFBundleIdentifier")
                                                : std::nullopt)
                         .first;
        }
        found.push_back({*started, {*processId, cached->second}});
    }
    std::sort(found.begin(), found.end(), [](const Found& left, const Found& right) {
        return std::pair(left.startTime, left.application.processId) <
               std::pair(right.startTime, right.application.processId);
    });
    std::vector<RunningApplication> applications;
    applications.reserve(found.size());
    for (Found& match : found) {
        applications.push_back(std::move(match.application));
    }
    return applications;
}

void BundleWorkspace::terminate(const RunningApplication& application) {
    // Zero and negative ids address process groups or every process, never one application.
    if (application.processId <= 0) {
        return;
    }
    ::kill(application.processId, SIGTERM);
}

// Stands in for the product's scanner: appends entries to the agent's report files the way the
// scanner does, one whole line per write.
//
//   standinscanner threat <path>...            report quarantined files
//   standinscanner usb <device>...             report attached USB devices
//   standinscanner stream threat|usb <count> <max-pause-ms> [--no-lock] [--prefix P]
//                                              report <count> distinct entries, pausing a
//                                              random 0..max-pause-ms between them
//
// The files are under $HOME/Library/Application Support/Corvane Antivirus/. Entries are written
// under the report file's advisory lock unless --no-lock is given.
#include <sys/file.h>
#include <sys/stat.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

std::filesystem::path reportFile(std::string_view kind) {
    const char* home = std::getenv("HOME");
    const std::filesystem::path folder = std::filesystem::path(home != nullptr ? home : "/") /
                                         "Library/Application Support/Corvane Antivirus";
    std::filesystem::create_directories(folder);
    return folder / (kind == "usb" ? "detected_usb_device.txt" : "detected_threats.txt");
}

bool sameFile(int fd, const std::filesystem::path& path) {
    struct stat opened {};
    struct stat named {};
    return ::fstat(fd, &opened) == 0 && ::stat(path.c_str(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

// One entry: a line feed first, because the agent leaves the file without a final one.
bool append(const std::filesystem::path& path, const std::string& entry, bool lock) {
    const std::string bytes = "\n" + entry + "\n";
    for (;;) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) {
            std::perror(path.c_str());
            return false;
        }
        // Locked, the file may have been replaced while we waited: then write to the new one.
        if (lock && ::flock(fd, LOCK_EX) == 0 && !sameFile(fd, path)) {
            ::close(fd);
            continue;
        }
        const bool written =
            ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
        ::close(fd);
        return written;
    }
}

int usage() {
    std::fputs(
        "usage: standinscanner threat|usb <entry>...\n"
        "       standinscanner stream threat|usb <count> <max-pause-ms> [--no-lock] [--prefix P]\n",
        stderr);
    return 2;
}

}  // namespace

int main(int argc, char* argv[]) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() >= 2 && (args[0] == "threat" || args[0] == "usb")) {
        const auto path = reportFile(args[0]);
        for (size_t i = 1; i < args.size(); ++i) {
            if (!append(path, args[i], true)) {
                return 1;
            }
        }
        return 0;
    }
    if (args.size() < 4 || args[0] != "stream" || (args[1] != "threat" && args[1] != "usb")) {
        return usage();
    }
    const auto path = reportFile(args[1]);
    const long count = std::strtol(args[2].c_str(), nullptr, 10);
    const long maxPause = std::strtol(args[3].c_str(), nullptr, 10);
    bool lock = true;
    std::string prefix = args[1] == "usb" ? "USB Disk " : "/Users/stress/Downloads/file-";
    for (size_t i = 4; i < args.size(); ++i) {
        if (args[i] == "--no-lock") {
            lock = false;
        } else if (args[i] == "--prefix" && i + 1 < args.size()) {
            prefix = args[++i];
        } else {
            return usage();
        }
    }
    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<long> pause(0, maxPause);
    for (long i = 0; i < count; ++i) {
        if (!append(path, prefix + std::to_string(i), lock)) {
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(pause(random)));
    }
    return 0;
}

#pragma once

// The baseline of the file benchmarks: what any reader of a report file does at the least.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// The whole file in one read into a string of its size.
inline std::string readWhole(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    struct stat info {};
    ::fstat(fd, &info);
    std::string bytes(static_cast<size_t>(info.st_size), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t count = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (count <= 0) {
            break;
        }
        done += static_cast<size_t>(count);
    }
    ::close(fd);
    bytes.resize(done);
    return bytes;
}

// The least any reader does: the whole file in one read, cut at each line feed.
inline std::vector<std::string> readAndSplit(const std::filesystem::path& file) {
    std::vector<std::string> lines;
    const std::string bytes = readWhole(file);
    std::string_view text = bytes;
    while (!text.empty()) {
        const auto end = text.find('\n');
        if (end != 0) {
            lines.emplace_back(text.substr(0, end));
        }
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
    return lines;
}

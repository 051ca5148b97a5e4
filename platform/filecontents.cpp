#include "filecontents.h"

#include <array>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {

FileContents::ReadError failure(const std::filesystem::path& file, int errorNumber) {
    return {errorNumber, "Could not read \"" + file.string() + "\": " + std::strerror(errorNumber)};
}

}  // namespace

std::variant<std::string, FileContents::ReadError> FileContents::read(
    const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return failure(file, errno);
    }
    std::string bytes;
    std::array<char, size_t{64} * 1024> chunk{};
    for (;;) {
        const ssize_t count = ::read(fd, chunk.data(), chunk.size());
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            const int error = errno;  // EISDIR for a folder, EIO for a failing disk
            ::close(fd);
            return failure(file, error);
        }
        if (count == 0) {
            break;
        }
        bytes.append(chunk.data(), static_cast<size_t>(count));
    }
    ::close(fd);
    return bytes;
}

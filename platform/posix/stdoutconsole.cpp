#include "platform/posix/stdoutconsole.h"

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::string_view kFailure = "Failed to ";
// The priority prefixes the journal reads off a stream it was handed: warning and info.
constexpr std::string_view kWarningPriority = "<4>";
constexpr std::string_view kInfoPriority = "<6>";

// systemd names the stream it connects in JOURNAL_STREAM as "<device>:<inode>". The variable is
// inherited by whatever the unit starts, so only a stdout that is that very stream counts.
bool isJournalStream(int fd) {
    const char* const named = std::getenv("JOURNAL_STREAM");
    if (named == nullptr) {
        return false;
    }
    const std::string_view text(named);
    const char* const end = text.data() + text.size();
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    const auto [deviceEnd, deviceError] = std::from_chars(text.data(), end, device);
    if (deviceError != std::errc() || deviceEnd == end || *deviceEnd != ':') {
        return false;
    }
    const auto [inodeEnd, inodeError] = std::from_chars(deviceEnd + 1, end, inode);
    struct stat info {};
    return inodeError == std::errc() && inodeEnd == end && ::fstat(fd, &info) == 0 &&
           info.st_dev == device && info.st_ino == inode;
}

}  // namespace

StdoutConsole::StdoutConsole() : m_toJournal(isJournalStream(STDOUT_FILENO)) {}

void StdoutConsole::printLine(std::string_view line) {
    // One write per line keeps lines whole when child tools share the same stdout.
    std::string buffer;
    buffer.reserve(kInfoPriority.size() + line.size() + 1);
    if (m_toJournal) {
        buffer.append(line.starts_with(kFailure) ? kWarningPriority : kInfoPriority);
    }
    buffer.append(line).push_back('\n');
    std::string_view rest = buffer;
    while (!rest.empty()) {
        const ssize_t written = ::write(STDOUT_FILENO, rest.data(), rest.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;  // A closed or full stdout must never stop the agent.
        }
        rest.remove_prefix(static_cast<size_t>(written));
    }
}

#include "platform/posix/stdoutconsole.h"

#include <cerrno>
#include <string>

#include <unistd.h>

void StdoutConsole::printLine(std::string_view line) {
    // One write per line keeps lines whole when child tools share the same stdout.
    std::string buffer;
    buffer.reserve(line.size() + 1);
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

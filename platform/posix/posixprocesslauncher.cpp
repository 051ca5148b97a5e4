#include "platform/posix/posixprocesslauncher.h"

#include "platform/posix/processerror.h"

#include <cerrno>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

std::optional<std::string> PosixProcessLauncher::runAndWait(
    const std::string& tool, const std::vector<std::string>& arguments) {
    std::vector<std::string> argumentStorage;
    argumentStorage.reserve(arguments.size() + 1);
    argumentStorage.push_back(tool);
    argumentStorage.insert(argumentStorage.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    argv.reserve(argumentStorage.size() + 1);
    for (std::string& argument : argumentStorage) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    pid_t child = 0;
    // glibc reports a failed exec (missing tool, no permission) as posix_spawn's own result.
    const int spawnError =
        ::posix_spawn(&child, tool.c_str(), nullptr, nullptr, argv.data(), environ);
    if (spawnError != 0) {
        return describeStartFailure(tool, spawnError);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return std::nullopt;
}

#pragma once

#include <optional>
#include <string>
#include <vector>

// Starts system tools as child processes, without a shell.
class ProcessLauncher {
public:
    ProcessLauncher() = default;
    ProcessLauncher(const ProcessLauncher&) = delete;
    ProcessLauncher& operator=(const ProcessLauncher&) = delete;
    virtual ~ProcessLauncher() = default;

    // Starts `tool` with `arguments` and blocks until it exits. Returns the description of the
    // start failure, or nothing when the tool ran (its exit status is not looked at).
    virtual std::optional<std::string> runAndWait(const std::string& tool,
                                                  const std::vector<std::string>& arguments) = 0;
};

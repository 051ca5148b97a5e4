#pragma once

#include "platform/ports/processlauncher.h"

// Runs tools with posix_spawn; the child shares the agent's stdout and stderr.
class PosixProcessLauncher final : public ProcessLauncher {
public:
    std::optional<std::string> runAndWait(const std::string& tool,
                                          const std::vector<std::string>& arguments) override;
};

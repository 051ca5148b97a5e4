#pragma once

#include <array>
#include <filesystem>

// Facts about the machine and the user the agent runs for.
struct SystemInfo {
    std::filesystem::path homeDirectory;
    unsigned realUserId = 0;
    bool isMacOS = false;
    // Major, minor, patch of the operating system (of the kernel where that is all there is).
    std::array<int, 3> osVersion{};

    // The running system's facts: $HOME (else the password database), getuid(), uname().
    static SystemInfo current();
};

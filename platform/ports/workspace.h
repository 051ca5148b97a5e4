#pragma once

#include <optional>
#include <string>
#include <vector>

struct RunningApplication {
    int processId = 0;
    std::optional<std::string> bundleIdentifier;
};

// Opens application bundles and sees the ones that run.
class Workspace {
public:
    Workspace() = default;
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;
    virtual ~Workspace() = default;

    // Starts the application bundle at `bundlePath` without waiting; false when it cannot.
    virtual bool openBundle(const std::string& bundlePath) = 0;
    // The applications running now, oldest first.
    virtual std::vector<RunningApplication> runningApplications() = 0;
    // Politely asks `application` to quit.
    virtual void terminate(const RunningApplication& application) = 0;
};

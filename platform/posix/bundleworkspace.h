#pragma once

#include "platform/ports/workspace.h"

#include <filesystem>

// Application bundles on a system without a workspace service: bundles are started as detached
// processes and recognised among the running ones through the process file system.
class BundleWorkspace final : public Workspace {
public:
    explicit BundleWorkspace(std::filesystem::path procRoot = "/proc");

    bool openBundle(const std::string& bundlePath) override;
    // Only this user's processes count: another session's copy of an application is not ours.
    std::vector<RunningApplication> runningApplications() override;
    void terminate(const RunningApplication& application) override;

private:
    std::filesystem::path m_procRoot;
};

#pragma once

#include "agent/helpermanager.h"
#include "control/productlocations.h"
#include "fakes/fakes.h"
#include "fakes/temporarydirectory.h"
#include "fakes/virtualrunloop.h"
#include "platform/posix/posixfilesystem.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>

// A real manager on fakes, in a temporary home of its own; `start()` makes the manager.
struct FakeAgent {
    void start() {
        SystemInfo system;
        system.homeDirectory = home.path();
        system.realUserId = 501;
        system.osVersion = {6, 1, 0};
        manager = std::make_unique<HelperManager>(HelperPorts{
            .runLoop = runLoop,
            .console = console,
            .files = *files,
            .processLauncher = launcher,
            .workspace = workspace,
            .preferences = preferences,
            .statusBar = statusBar,
            .popovers = popovers,
            .system = system,
        });
    }

    std::filesystem::path dataFile(std::string_view name) const {
        return ProductLocations::dataFile(home.path(), name);
    }

    TemporaryDirectory home;
    Transcript transcript;
    VirtualRunLoop runLoop;
    CapturedConsole console{transcript};
    std::optional<PosixFileSystem> files{std::in_place, runLoop};
    RecordingProcessLauncher launcher{transcript};
    FakeWorkspace workspace{transcript};
    FakePreferencesStore preferences{transcript};
    FakeStatusBar statusBar;
    FakePopoverFactory popovers;
    std::unique_ptr<HelperManager> manager;
};

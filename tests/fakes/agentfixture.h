#pragma once

#include "fakes.h"
#include "helpermanager.h"
#include "productlocations.h"
#include "temporarydirectory.h"
#include "virtualrunloop.h"

#include <gtest/gtest.h>

#include <memory>

namespace fs = std::filesystem;

// A manager on fakes and a temporary home; the manager is started by `start()`.
class AgentFixture : public ::testing::Test {
protected:
    void start() {
        SystemInfo system;
        system.homeDirectory = home.path();
        system.realUserId = 501;
        system.osVersion = {6, 1, 0};
        manager = std::make_unique<HelperManager>(HelperPorts{
            .runLoop = runLoop,
            .console = console,
            .processLauncher = launcher,
            .workspace = workspace,
            .preferences = preferences,
            .statusBar = statusBar,
            .popovers = popovers,
            .views = views,
            .system = system,
        });
    }

    // A new manager on the same fakes; the old one's timers and queued steps go with it.
    void restart() {
        manager.reset();
        runLoop.clear();
        start();
    }

    std::filesystem::path dataFile(std::string_view name) const {
        return ProductLocations::dataFile(home.path(), name);
    }
    std::filesystem::path threatsFile() const {
        return dataFile(ProductLocations::kThreatReportFile);
    }
    std::filesystem::path usbFile() const { return dataFile(ProductLocations::kUsbReportFile); }
    void writeSettings(const std::string& json) const {
        writeBytes(dataFile(ProductLocations::kSettingsFile), json);
    }
    void setUsbProtection(bool on) const {
        writeSettings(std::string("{\"usbProtection\": ") + (on ? "true" : "false") + "}");
    }

    // The popovers that show a threat view, in the order they were made.
    std::vector<std::shared_ptr<FakePopoverState>> shownPopovers() const {
        std::vector<std::shared_ptr<FakePopoverState>> shown;
        for (const auto& popover : popovers.made) {
            if (popover->shown) {
                shown.push_back(popover);
            }
        }
        return shown;
    }

    TemporaryDirectory home;
    Transcript transcript;
    VirtualRunLoop runLoop;
    CapturedConsole console{transcript};
    RecordingProcessLauncher launcher{transcript};
    FakeWorkspace workspace{transcript};
    FakePreferencesStore preferences{transcript};
    FakeStatusBar statusBar;
    FakePopoverFactory popovers;
    FakeViewFactory views;
    std::unique_ptr<HelperManager> manager;
};

#pragma once

#include "fakes/fakeagent.h"

#include <gtest/gtest.h>

#include <string>

namespace fs = std::filesystem;

// The fake agent as a test fixture; the manager is started by `start()`.
class AgentFixture : public ::testing::Test, public FakeAgent {
protected:
    // A new manager on the same fakes; the old one's timers and queued steps go with it.
    void restart() {
        manager.reset();
        runLoop.clear();
        files.emplace(runLoop);  // a new agent is a new process: it knows nothing of the files yet
        start();
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
};

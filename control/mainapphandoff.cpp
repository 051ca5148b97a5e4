#include "control/mainapphandoff.h"

#include "platform/ports/console.h"
#include "platform/ports/preferencessuite.h"
#include "platform/ports/runloop.h"
#include "platform/ports/workspace.h"

#include <algorithm>

namespace {

constexpr const char* kMainAppBundle = "/Applications/Corvane Antivirus.app";
constexpr const char* kMainAppIdentifier = "com.corvane.antivirus";
constexpr const char* kSharedSuite = "com.corvane.antivirus.shared";
constexpr double kReopenDelaySeconds = 1.0;

}  // namespace

MainAppHandoff::MainAppHandoff(Workspace& workspace, PreferencesStore& preferences,
                               RunLoop& runLoop, Console& console)
    : m_workspace(workspace), m_preferences(preferences), m_runLoop(runLoop), m_console(console) {}

void MainAppHandoff::openApp() {
    if (m_workspace.openBundle(kMainAppBundle)) {
        m_console.printLine("Successfully opened Corvane Antivirus app.");
    } else {
        m_console.printLine("Failed to open Corvane Antivirus app.");
    }
}

void MainAppHandoff::openMainApp(const std::string& selectedView) {
    if (const auto suite = m_preferences.openSuite(kSharedSuite)) {
        suite->setString("selectedView", selectedView);
        suite->synchronize();
    }
    m_workspace.openBundle(kMainAppBundle);
}

void MainAppHandoff::requestUsbScan(const std::string& selectedView) {
    if (const auto suite = m_preferences.openSuite(kSharedSuite)) {
        suite->setString("scanType", "USB");
        suite->setString("selectedView", selectedView);
        suite->synchronize();
    }
    const auto running = m_workspace.runningApplications();
    const auto mainApp = std::find_if(running.begin(), running.end(), [](const auto& application) {
        return application.bundleIdentifier == kMainAppIdentifier;
    });
    if (mainApp == running.end()) {
        m_workspace.openBundle(kMainAppBundle);
        return;
    }
    m_workspace.terminate(*mainApp);
    m_runLoop.postAfter(kReopenDelaySeconds, [this] { m_workspace.openBundle(kMainAppBundle); });
}

#pragma once

#include <string>

class Console;
class PreferencesStore;
class RunLoop;
class Workspace;

// Hands the user over to the product's main application, with a request in the shared suite.
class MainAppHandoff final {
public:
    MainAppHandoff(Workspace& workspace, PreferencesStore& preferences, RunLoop& runLoop,
                   Console& console);

    // Opens the main application and reports whether that worked.
    void openApp();
    // Asks the main application to show `selectedView` and opens it.
    void openMainApp(const std::string& selectedView);
    // Asks the main application for a USB scan on `selectedView`; a running instance is quit
    // and opened again so that it reads the request at start.
    void requestUsbScan(const std::string& selectedView);

private:
    Workspace& m_workspace;
    PreferencesStore& m_preferences;
    RunLoop& m_runLoop;
    Console& m_console;
};

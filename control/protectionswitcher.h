#pragma once

#include <filesystem>
#include <string>

class Console;
class ProcessLauncher;
class SettingsFile;

// Switches real-time and USB protection through launch agents, process kills and the settings
// file, then restarts the helper's own launch agent.
class ProtectionSwitcher final {
public:
    ProtectionSwitcher(ProcessLauncher& launcher, SettingsFile& settings, Console& console,
                       std::filesystem::path homeDirectory, unsigned realUserId);

    // `controlState` is the menu control's new state: exactly 1 switches on, anything else off.
    void toggleRealTimeProtection(int controlState);
    void toggleUsbProtection(int controlState);

private:
    struct HelperRestartWording {
        const char* unloadFailed;
        const char* loadSucceeded;
        const char* loadFailed;
    };

    void stopLaunchAgent(const std::string& plistPath);
    void killProcess(const std::string& path);
    void restartHelperAgent(const std::string& helperPlistPath,
                            const HelperRestartWording& wording);
    std::string expandTilde(const std::string& path) const;

    ProcessLauncher& m_launcher;
    SettingsFile& m_settings;
    Console& m_console;
    std::filesystem::path m_homeDirectory;
    unsigned m_realUserId = 0;
};

#pragma once

#include "platform/ports/filesystem.h"

#include <filesystem>
#include <optional>
#include <string>

class Console;
class RunLoop;

struct ProtectionSettings {
    bool realTimeProtection = false;
    bool usbProtection = false;
};

// The product's settings.json: the protection switches shared by all its programs.
class SettingsFile final {
public:
    SettingsFile(const std::filesystem::path& homeDirectory, FileSystem& files, RunLoop& runLoop,
                 Console& console);

    // The two switches; false for anything missing, malformed or unreadable. Never prints.
    ProtectionSettings readSettings() const;
    // Sets member `key` to `value`, keeping every other member, and reports the outcome.
    void updateSettings(const std::string& key, bool value) const;

    const std::filesystem::path& settingsFileUrl() const { return m_settingsFile; }

private:
    std::filesystem::path m_settingsFile;
    FileSystem& m_files;
    RunLoop& m_runLoop;
    Console& m_console;
    // The last settings read and the file they were read from; the agent asks every second.
    mutable std::optional<FileStamp> m_readStamp;
    mutable ProtectionSettings m_readSettings;
};

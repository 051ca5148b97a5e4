#include "control/settingsfile.h"

#include "control/productlocations.h"
#include "control/settingsjson.h"
#include "platform/ports/console.h"
#include "platform/ports/runloop.h"

#include <cerrno>
#include <variant>

SettingsFile::SettingsFile(const std::filesystem::path& homeDirectory, FileSystem& files,
                           RunLoop& runLoop, Console& console)
    : m_settingsFile(ProductLocations::dataFile(homeDirectory, ProductLocations::kSettingsFile)),
      m_files(files),
      m_runLoop(runLoop),
      m_console(console) {}

ProtectionSettings SettingsFile::readSettings() const {
    const auto stamp = m_files.settledStamp(m_settingsFile, m_runLoop.nowNanos());
    if (stamp && stamp == m_readStamp) {
        return m_readSettings;
    }
    m_readStamp.reset();
    m_readSettings = {};
    if (stamp == FileStamp::absent()) {
        m_readStamp = stamp;  // both off, as for a file that cannot be read
        return m_readSettings;
    }
    const auto bytes = m_files.read(m_settingsFile);
    if (const auto* text = std::get_if<std::string>(&bytes)) {
        m_readStamp = stamp;
        const auto switches = SettingsJson::readSwitches(*text);
        m_readSettings = {switches.realTimeProtection, switches.usbProtection};
    }
    return m_readSettings;
}

void SettingsFile::updateSettings(const std::string& key, bool value) const {
    const auto bytes = m_files.read(m_settingsFile);
    std::optional<std::string_view> existing;
    if (const auto* error = std::get_if<FileError>(&bytes)) {
        // Writing now would drop members we could not see; a missing file is simply new.
        if (error->errorNumber != ENOENT) {
            m_console.printLine("Failed to update settings: " + error->description);
            return;
        }
    } else {
        existing = std::get<std::string>(bytes);
    }
    const auto updated = SettingsJson::withSwitch(existing, key, value);
    if (const auto* refusal = std::get_if<SettingsJson::UpdateRefusal>(&updated)) {
        m_console.printLine("Failed to update settings: \"" + m_settingsFile.string() + "\" " +
                            refusal->reason);
        return;
    }
    if (const auto error = m_files.replace(m_settingsFile, std::get<std::string>(updated))) {
        m_console.printLine("Failed to update settings: " + error->description);
        return;
    }
    m_console.printLine("Updated " + key + " = " + (value ? "true" : "false") +
                        " in settings.json");
}

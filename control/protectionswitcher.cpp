#include "control/protectionswitcher.h"

#include "control/settingsfile.h"
#include "platform/ports/console.h"
#include "platform/ports/processlauncher.h"

namespace {

constexpr const char* kLaunchctl = "/bin/launchctl";
constexpr const char* kPkill = "/usr/bin/pkill";
constexpr const char* kRealtimePlist =
    "~/Library/LaunchAgents/com.corvane.antivirus.realtime.plist";
constexpr const char* kHelperPlist = "~/Library/LaunchAgents/com.corvane.antivirus.helper.plist";
constexpr const char* kRealtimeExecutable =
    "/Applications/Corvane Antivirus.app/Contents/MacOS/realtime";
constexpr const char* kHelperApplication =
    "/Applications/Corvane Antivirus.app/Contents/MacOS/helper.app";

constexpr int kControlOn = 1;

}  // namespace

ProtectionSwitcher::ProtectionSwitcher(ProcessLauncher& launcher, SettingsFile& settings,
                                       Console& console, std::filesystem::path homeDirectory,
                                       unsigned realUserId)
    : m_launcher(launcher),
      m_settings(settings),
      m_console(console),
      m_homeDirectory(std::move(homeDirectory)),
      m_realUserId(realUserId) {}

void ProtectionSwitcher::toggleRealTimeProtection(int controlState) {
    const std::string realtimePlist = expandTilde(kRealtimePlist);
    const std::string helperPlist = expandTilde(kHelperPlist);
    if (controlState == kControlOn) {
        if (const auto error = m_launcher.runAndWait(kLaunchctl, {"load", realtimePlist})) {
            m_console.printLine("Failed to load launch agent: " + *error);
        } else {
            m_console.printLine("Launch agent loaded: " + realtimePlist);
        }
        m_settings.updateSettings("realTimeProtection", true);
    } else {
        stopLaunchAgent(realtimePlist);
        killProcess(kRealtimeExecutable);
        m_settings.updateSettings("realTimeProtection", false);
    }
    restartHelperAgent(helperPlist, {"Failed to unload helper agent: ", "Helper agent loaded: ",
                                     "Failed to load helper agent: "});
}

void ProtectionSwitcher::toggleUsbProtection(int controlState) {
    const std::string helperPlist = expandTilde(kHelperPlist);
    m_settings.updateSettings("usbProtection", controlState == kControlOn);
    restartHelperAgent(helperPlist, {"Failed to unload launch agent: ", "Launch agent loaded: ",
                                     "Failed to load launch agent: "});
}

void ProtectionSwitcher::stopLaunchAgent(const std::string& plistPath) {
    const std::string domain = "gui/" + std::to_string(m_realUserId);
    if (const auto error = m_launcher.runAndWait(kLaunchctl, {"bootout", domain, plistPath})) {
        m_console.printLine("Failed to stop launch agent: " + *error);
    } else {
        m_console.printLine("Launch agent stopped: " + plistPath);
    }
}

void ProtectionSwitcher::killProcess(const std::string& path) {
    if (const auto error = m_launcher.runAndWait(kPkill, {"-f", path})) {
        m_console.printLine("Failed to kill process: " + *error);
    } else {
        m_console.printLine("Killed process with path: " + path);
    }
}

void ProtectionSwitcher::restartHelperAgent(const std::string& helperPlistPath,
                                            const HelperRestartWording& wording) {
    if (const auto error = m_launcher.runAndWait(kLaunchctl, {"unload", helperPlistPath})) {
        m_console.printLine(wording.unloadFailed + *error);
    }
    // When this agent runs under its launch agent, this kill ends its own process.
    (void)m_launcher.runAndWait(kPkill, {"-f", kHelperApplication});
    if (const auto error = m_launcher.runAndWait(kLaunchctl, {"load", helperPlistPath})) {
        m_console.printLine(wording.loadFailed + *error);
    } else {
        m_console.printLine(wording.loadSucceeded + helperPlistPath);
    }
}

std::string ProtectionSwitcher::expandTilde(const std::string& path) const {
    if (path.starts_with("~/")) {
        return (m_homeDirectory / path.substr(2)).string();
    }
    return path;
}

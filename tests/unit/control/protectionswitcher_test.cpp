#include "control/protectionswitcher.h"
#include "fakes/fakes.h"
#include "control/settingsfile.h"
#include "fakes/temporarydirectory.h"

#include <gtest/gtest.h>

namespace {

class ProtectionSwitcherTest : public ::testing::Test {
protected:
    std::string plist(const std::string& name) const {
        return (home.path() / "Library/LaunchAgents" / name).string();
    }
    std::string realtimePlist() const { return plist("com.corvane.antivirus.realtime.plist"); }
    std::string helperPlist() const { return plist("com.corvane.antivirus.helper.plist"); }

    TemporaryDirectory home;
    Transcript transcript;
    CapturedConsole console{transcript};
    RecordingProcessLauncher launcher{transcript};
    SettingsFile settings{home.path(), console};
    ProtectionSwitcher switcher{launcher, settings, console, home.path(), 501};
};

}  // namespace

TEST_F(ProtectionSwitcherTest, realTimeOnLoadsItsAgentThenRestartsTheHelper) {
    switcher.toggleRealTimeProtection(1);
    EXPECT_EQ(
        transcript,
        (Transcript{
            "$ /bin/launchctl load " + realtimePlist(),
            "Launch agent loaded: " + realtimePlist(),
            "Updated realTimeProtection = true in settings.json",
            "$ /bin/launchctl unload " + helperPlist(),
            "$ /usr/bin/pkill -f /Applications/Corvane Antivirus.app/Contents/MacOS/helper.app",
            "$ /bin/launchctl load " + helperPlist(),
            "Helper agent loaded: " + helperPlist(),
        }));
    EXPECT_EQ(
        launcher.commands[2],
        (std::vector<std::string>{"/usr/bin/pkill", "-f",
                                  "/Applications/Corvane Antivirus.app/Contents/MacOS/helper.app"}))
        << "the pattern is one argument, spaces and all";
    EXPECT_TRUE(settings.readSettings().realTimeProtection);
}

TEST_F(ProtectionSwitcherTest, realTimeOffBootsOutKillsAndAnyStateButOneIsOff) {
    for (const int state : {0, -1, 2}) {
        transcript.clear();
        switcher.toggleRealTimeProtection(state);
        EXPECT_EQ(
            transcript,
            (Transcript{
                "$ /bin/launchctl bootout gui/501 " + realtimePlist(),
                "Launch agent stopped: " + realtimePlist(),
                "$ /usr/bin/pkill -f /Applications/Corvane Antivirus.app/Contents/MacOS/realtime",
                "Killed process with path: /Applications/Corvane "
                "Antivirus.app/Contents/MacOS/realtime",
                "Updated realTimeProtection = false in settings.json",
                "$ /bin/launchctl unload " + helperPlist(),
                "$ /usr/bin/pkill -f /Applications/Corvane Antivirus.app/Contents/MacOS/helper.app",
                "$ /bin/launchctl load " + helperPlist(),
                "Helper agent loaded: " + helperPlist(),
            }))
            << "state " << state;
    }
    EXPECT_EQ(launcher.commands[0],
              (std::vector<std::string>{"/bin/launchctl", "bootout", "gui/501", realtimePlist()}));
}

TEST_F(ProtectionSwitcherTest, usbWritesTheSettingFirstAndTouchesOnlyTheHelper) {
    switcher.toggleUsbProtection(1);
    switcher.toggleUsbProtection(0);
    EXPECT_EQ(
        transcript,
        (Transcript{
            "Updated usbProtection = true in settings.json",
            "$ /bin/launchctl unload " + helperPlist(),
            "$ /usr/bin/pkill -f /Applications/Corvane Antivirus.app/Contents/MacOS/helper.app",
            "$ /bin/launchctl load " + helperPlist(),
            "Launch agent loaded: " + helperPlist(),
            "Updated usbProtection = false in settings.json",
            "$ /bin/launchctl unload " + helperPlist(),
            "$ /usr/bin/pkill -f /Applications/Corvane Antivirus.app/Contents/MacOS/helper.app",
            "$ /bin/launchctl load " + helperPlist(),
            "Launch agent loaded: " + helperPlist(),
        }));
}

TEST_F(ProtectionSwitcherTest, missingToolsAreReportedAndTheSequenceGoesOn) {
    launcher.missingTools = {"/bin/launchctl", "/usr/bin/pkill"};
    const std::string launchctlError =
        "could not start /bin/launchctl: No such file or directory (errno 2)";
    const std::string pkillError =
        "could not start /usr/bin/pkill: No such file or directory (errno 2)";

    switcher.toggleRealTimeProtection(0);
    EXPECT_EQ(
        transcript,
        (Transcript{
            "$ /bin/launchctl bootout gui/501 " + realtimePlist(),
            "Failed to stop launch agent: " + launchctlError,
            "$ /usr/bin/pkill -f /Applications/Corvane Antivirus.app/Contents/MacOS/realtime",
            "Failed to kill process: " + pkillError,
            "Updated realTimeProtection = false in settings.json",
            "$ /bin/launchctl unload " + helperPlist(),
            "Failed to unload helper agent: " + launchctlError,
            "$ /usr/bin/pkill -f /Applications/Corvane Antivirus.app/Contents/MacOS/helper.app",
            "$ /bin/launchctl load " + helperPlist(),
            "Failed to load helper agent: " + launchctlError,
        }));

    transcript.clear();
    switcher.toggleRealTimeProtection(1);
    EXPECT_EQ(transcript[1], "Failed to load launch agent: " + launchctlError);
    EXPECT_EQ(transcript[2], "Updated realTimeProtection = true in settings.json");

    transcript.clear();
    switcher.toggleUsbProtection(1);
    EXPECT_EQ(transcript[2], "Failed to unload launch agent: " + launchctlError);
    EXPECT_EQ(transcript.back(), "Failed to load launch agent: " + launchctlError);
}

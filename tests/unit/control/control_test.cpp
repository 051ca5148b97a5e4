#include "control/mainapphandoff.h"
#include "control/protectionswitcher.h"
#include "control/settingsfile.h"
#include "fakes/fakes.h"
#include "fakes/temporarydirectory.h"
#include "fakes/virtualrunloop.h"
#include "platform/posix/posixfilesystem.h"

#include <gtest/gtest.h>

// The control layer on the real file system and fake tools, workspace and preferences.
struct Control : ::testing::Test {
    TemporaryDirectory home;
    Transcript transcript;
    CapturedConsole console{transcript};
    VirtualRunLoop runLoop;
    PosixFileSystem files{runLoop};
    SettingsFile settings{home.path(), files, runLoop, console};
    std::filesystem::path file = settings.settingsFileUrl();
    RecordingProcessLauncher launcher{transcript};
    ProtectionSwitcher switcher{launcher, settings, console, "/h", 501};
    FakeWorkspace workspace{transcript};
    FakePreferencesStore preferences{transcript};
    MainAppHandoff handoff{workspace, preferences, runLoop, console};
};

TEST_F(Control, aSwitchIsOnOnlyWhenItsLastTopLevelMemberIsTheBooleanTrue) {
    const std::vector<std::pair<std::string, std::pair<bool, bool>>> cases = {
        {R"({"realTimeProtection": "true", "usbProtection": 1})", {false, false}},
        {R"({"usbProtection": false, "usbProtection": true})", {false, true}},
        {R"({"usbProtection": true, "usbProtection": [true]})", {false, false}},
        {"{\"realTimeProtection\": true, \"name\": \"\xc3\x28\"}", {false, false}},
        {R"({"realTimeProtection": true,)", {false, false}},
        {R"({"usbProtection": true, "d": )" + std::string(100000, '[') + R"({"usbProtection": 0})" +
             std::string(100000, ']') + R"(, "realTimeProtection": true})",
         {true, true}},
    };
    for (const auto& [bytes, expected] : cases) {
        writeBytes(file, bytes);
        const auto [realTime, usb] = settings.readSettings();
        EXPECT_EQ(std::pair(realTime, usb), expected) << bytes.substr(0, 60);
    }
}

TEST_F(Control, anUpdateChangesOnlyItsMemberAndLeavesWhatItCannotKeepAlone) {
    const std::string usbOnly = "{\n  \"usbProtection\": true\n}";
    // 256 levels, the top-level object included, are carried over; one more is refused.
    const std::string tooDeep = R"({"d": )" + std::string(256, '[') + std::string(256, ']') + "}";
    const std::vector<std::pair<std::optional<std::string>, std::string>> cases = {
        {std::nullopt, usbOnly},  // in folders that do not exist yet
        {R"({"i": 1, "usbProtection": 0, "n": [18446744073709551615, -0.0, 1e-7], "i": -9223372036854775808})",
         "{\n  \"i\": -9223372036854775808,\n  \"usbProtection\": true,\n  \"n\": [\n"
         "    18446744073709551615,\n    -0.0,\n    1e-07\n  ]\n}"},
        {R"({"e": [], "o": {}, "s": "é"})",
         "{\n  \"e\": [],\n  \"o\": {},\n  \"s\": \"é\",\n  \"usbProtection\": true\n}"},
        {"[1, 2]", usbOnly},
        {tooDeep, tooDeep},
    };
    for (const auto& [before, after] : cases) {
        if (before) writeBytes(file, *before);
        settings.updateSettings("usbProtection", true);
        EXPECT_EQ(readBytes(file), after) << before.value_or("no file").substr(0, 60);
    }
    EXPECT_EQ(transcript.back(), "Failed to update settings: \"" + file.string() +
                                     "\" nests values deeper than 256 levels and is left as it is");
    writeBytes(file, R"({"d": )" + std::string(255, '[') + std::string(255, ']') + "}");
    settings.updateSettings("usbProtection", true);
    const std::string kept = readBytes(file);
    EXPECT_TRUE(std::ranges::count(kept, '[') == 255 &&
                kept.ends_with("\"usbProtection\": true\n}"));
    std::filesystem::remove_all(home.path() / "Library");
    writeBytes(file.parent_path(), "x");  // a plain file where the folder should be
    settings.updateSettings("usbProtection", true);
    EXPECT_EQ(readBytes(file.parent_path()), "x");
    EXPECT_EQ(transcript.back(), "Failed to update settings: Could not read \"" + file.string() +
                                     "\": Not a directory");
}

TEST_F(Control, switchingRunsEachSequenceWithExactArgumentsAndGoesOnAfterFailures) {
    // A step a line, a command as "tool|argument|..." so that a space never splits one, written
    // short. Every switch ends by restarting the helper's own launch agent.
    const std::pair<std::string, std::string> shorthand[] = {
        {"/h/Library/LaunchAgents/com.corvane.antivirus.", "~"},
        {"/Applications/Corvane Antivirus.app/Contents/MacOS/", "@"},
        {"could not start /bin/launchctl: No such file or directory (errno 2)", "!"}};
    const std::string restart =
        "/bin/launchctl|unload|~helper.plist\n/usr/bin/pkill|-f|@helper.app\n"
        "/bin/launchctl|load|~helper.plist\n";
    const std::string helper = restart + "Helper agent loaded: ~helper.plist\n";
    const std::string launch = restart + "Launch agent loaded: ~helper.plist\n";
    const auto failing = [](const std::string& agent) {
        return "/bin/launchctl|unload|~helper.plist\nFailed to unload " + agent + " agent: !\n" +
               "/usr/bin/pkill|-f|@helper.app\n/bin/launchctl|load|~helper.plist\nFailed to load " +
               agent + " agent: !\n";
    };
    const std::string rtOn =
        "/bin/launchctl|load|~realtime.plist\nLaunch agent loaded: ~realtime.plist\n" +
        ("Updated realTimeProtection = true in settings.json\n" + helper);
    const std::string rtOff =
        "/bin/launchctl|bootout|gui/501|~realtime.plist\nLaunch agent stopped: ~realtime.plist\n"
        "/usr/bin/pkill|-f|@realtime\nKilled process with path: @realtime\n" +
        ("Updated realTimeProtection = false in settings.json\n" + helper);
    const std::string rtOnFailing =
        "/bin/launchctl|load|~realtime.plist\nFailed to load launch agent: !\n" +
        ("Updated realTimeProtection = true in settings.json\n" + failing("helper"));
    const std::string rtOffFailing =
        "/bin/launchctl|bootout|gui/501|~realtime.plist\nFailed to stop launch agent: !\n"
        "/usr/bin/pkill|-f|@realtime\nFailed to kill process: could not start /usr/bin/pkill: "
        "No such file or directory (errno 2)\n" +
        ("Updated realTimeProtection = false in settings.json\n" + failing("helper"));
    // {tools missing, real-time (else USB), control state, steps}
    const std::vector<std::tuple<bool, bool, int, std::string>> cases = {
        {false, true, 1, rtOn},
        {false, true, 0, rtOff},
        {false, false, 1, "Updated usbProtection = true in settings.json\n" + launch},
        {false, false, 2, "Updated usbProtection = false in settings.json\n" + launch},
        {true, true, 1, rtOnFailing},
        {true, true, 2, rtOffFailing},
        {true, false, 0, "Updated usbProtection = false in settings.json\n" + failing("launch")}};
    std::string expected;
    for (const auto& [toolsMissing, realTime, state, steps] : cases) {
        if (toolsMissing) launcher.missingTools = {"/bin/launchctl", "/usr/bin/pkill"};
        realTime ? switcher.toggleRealTimeProtection(state) : switcher.toggleUsbProtection(state);
        expected += steps;
    }
    std::string text;
    for (auto command = launcher.commands.begin(); const std::string& line : transcript) {
        for (const auto& part : line[0] == '$' ? *command++ : Transcript{line}) text += part + "|";
        text.back() = '\n';
    }
    for (const auto& [from, to] : shorthand)
        for (std::size_t at = 0; (at = text.find(from)) != std::string::npos;)
            text.replace(at, from.size(), to);
    EXPECT_EQ(text, expected);
}

TEST_F(Control, handOffWritesTheRequestFirstAndReopensTheFirstRunningInstanceASecondLater) {
    const std::string open = "open /Applications/Corvane Antivirus.app";
    const std::string suite = "com.corvane.antivirus.shared: ", id = "com.corvane.antivirus";
    preferences.available = false;
    handoff.requestUsbScan("User3Scan");  // nothing to quit: opened at once, first below
    preferences.available = true;
    workspace.running = {{4, id + ".helper"}, {5, "COM.CORVANE.ANTIVIRUS"}, {6, id}, {8, id}};
    handoff.openApp();
    workspace.opensSucceed = false;
    handoff.openApp();
    handoff.openMainApp("UserQuarantineList");
    handoff.requestUsbScan("User3Scan");
    runLoop.advance(0.999);
    ASSERT_EQ(transcript,
              (Transcript{open, open, "Successfully opened Corvane Antivirus app.", open,
                          "Failed to open Corvane Antivirus app.",
                          suite + "selectedView = UserQuarantineList", suite + "synchronize", open,
                          suite + "scanType = USB", suite + "selectedView = User3Scan",
                          suite + "synchronize", "terminate 6"}));
    runLoop.advance(0.001);
    EXPECT_EQ(Transcript(transcript.begin() + 12, transcript.end()), Transcript{open});
}

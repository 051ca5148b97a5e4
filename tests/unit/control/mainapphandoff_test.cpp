#include "control/mainapphandoff.h"
#include "fakes/fakes.h"
#include "fakes/virtualrunloop.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* kOpen = "open /Applications/Corvane Antivirus.app";

class MainAppHandoffTest : public ::testing::Test {
protected:
    Transcript transcript;
    CapturedConsole console{transcript};
    FakeWorkspace workspace{transcript};
    FakePreferencesStore preferences{transcript};
    VirtualRunLoop runLoop;
    MainAppHandoff handoff{workspace, preferences, runLoop, console};
};

}  // namespace

TEST_F(MainAppHandoffTest, openAppReportsTheOutcomeAndWritesNoRequest) {
    handoff.openApp();
    workspace.opensSucceed = false;
    handoff.openApp();
    EXPECT_EQ(transcript, (Transcript{kOpen, "Successfully opened Corvane Antivirus app.", kOpen,
                                      "Failed to open Corvane Antivirus app."}));
}

TEST_F(MainAppHandoffTest, openMainAppNamesTheScreenAndLeavesARunningInstanceAlone) {
    preferences.values["com.corvane.antivirus.shared"]["scanType"] = "USB";
    workspace.running = {{.processId = 7, .bundleIdentifier = "com.corvane.antivirus"}};
    workspace.opensSucceed = false;
    handoff.openMainApp("UserQuarantineList");
    EXPECT_EQ(transcript, (Transcript{
                              "com.corvane.antivirus.shared: selectedView = UserQuarantineList",
                              "com.corvane.antivirus.shared: synchronize",
                              kOpen,
                          }))
        << "no terminate, and a failed open prints nothing";
    EXPECT_EQ(preferences.values["com.corvane.antivirus.shared"]["scanType"], "USB");
}

TEST_F(MainAppHandoffTest, usbScanQuitsTheFirstRunningInstanceAndReopensASecondLater) {
    workspace.running = {
        {.processId = 3, .bundleIdentifier = std::nullopt},
        {.processId = 4, .bundleIdentifier = "com.corvane.antivirus.helper"},
        {.processId = 5, .bundleIdentifier = "COM.CORVANE.ANTIVIRUS"},
        {.processId = 6, .bundleIdentifier = "com.corvane.antivirus"},
        {.processId = 8, .bundleIdentifier = "com.corvane.antivirus"},
    };
    handoff.requestUsbScan("User3Scan");
    EXPECT_EQ(transcript, (Transcript{
                              "com.corvane.antivirus.shared: scanType = USB",
                              "com.corvane.antivirus.shared: selectedView = User3Scan",
                              "com.corvane.antivirus.shared: synchronize",
                              "terminate 6",
                          }));
    runLoop.advance(0.999);
    EXPECT_EQ(transcript.size(), 4U);
    runLoop.advance(0.001);
    EXPECT_EQ(transcript.back(), kOpen);
}

TEST_F(MainAppHandoffTest, usbScanOpensAtOnceWhenNothingRunsEvenWithoutTheSuite) {
    preferences.available = false;
    handoff.requestUsbScan("User3Scan");
    EXPECT_EQ(transcript, (Transcript{kOpen}));
    runLoop.advance(5);
    EXPECT_EQ(transcript.size(), 1U);
}

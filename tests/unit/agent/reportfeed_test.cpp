#include "fakes/agentfixture.h"

#include <chrono>
#include <thread>

namespace {

class ReportFeedTest : public AgentFixture {
protected:
    void SetUp() override { start(); }

    std::vector<std::string> locations() const {
        std::vector<std::string> result;
        for (const auto& threat : manager->detectedThreats()) {
            result.push_back(threat.location);
        }
        return result;
    }
};

}  // namespace

TEST_F(ReportFeedTest, newThreatLinesBecomeRecordsAtTheNextTick) {
    runLoop.advance(1.0);
    EXPECT_TRUE(manager->detectedThreats().empty()) << "no file: nothing happens";
    writeBytes(threatsFile(),
               "/Users/a/Downloads/one.pkg\n\n/Users/a/two.dmg\r\n/x/three\n/x/three\n");
    runLoop.advance(0.999);
    EXPECT_TRUE(manager->detectedThreats().empty()) << "read once a second, not at once";
    runLoop.advance(0.001);

    EXPECT_EQ(locations(), (std::vector<std::string>{"/Users/a/Downloads/one.pkg",
                                                     "/Users/a/two.dmg\r", "/x/three"}));
    EXPECT_EQ(manager->threatsDetectedCount(), 3);
    EXPECT_EQ(manager->processedThreats().size(), 3U);
    EXPECT_EQ(shownPopovers().size(), 1U) << "one popover for the three";

    runLoop.advance(5.0);
    EXPECT_EQ(manager->threatsDetectedCount(), 3) << "lines are handled once";
}

TEST_F(ReportFeedTest, threatLinesAreHandledBeforeUsbLinesAndRecordsAfterBoth) {
    setUsbProtection(true);
    writeBytes(threatsFile(), "/t\n");
    writeBytes(usbFile(), "disk1\n");
    // Lines are handled as queued steps after the tick, threats first; each record is then
    // added in a step of its own, after the USB lines.
    std::vector<size_t> usbViewsAtEachChange;
    manager->objectWillChange().subscribe(
        [&] { usbViewsAtEachChange.push_back(views.usbViews.size()); });
    runLoop.advance(1.0);
    ASSERT_EQ(views.usbViews.size(), 1U);
    EXPECT_EQ(views.usbViews.back().pathUsb, "disk1");
    EXPECT_EQ(usbViewsAtEachChange, (std::vector<size_t>{1, 1})) << "two signals per count change";
}

TEST_F(ReportFeedTest, usbFeedIsSkippedWhileProtectionIsOff) {
    writeBytes(usbFile(), "disk1\n");
    runLoop.advance(3.0);
    EXPECT_EQ(transcript, Transcript(3, "USB Protection is OFF, skipping USB info load."));
    EXPECT_TRUE(manager->processedUsbInfo().empty());
    EXPECT_TRUE(views.usbViews.empty());

    setUsbProtection(true);
    runLoop.advance(1.0);
    EXPECT_EQ(transcript.size(), 3U);
    ASSERT_EQ(views.usbViews.size(), 1U) << "the waiting line is picked up once switched on";
}

TEST_F(ReportFeedTest, realTimeProtectionOffDoesNotStopTheThreatFeed) {
    writeSettings(R"({"realTimeProtection": false, "usbProtection": true})");
    writeBytes(threatsFile(), "/t\n");
    runLoop.advance(1.0);
    EXPECT_EQ(manager->threatsDetectedCount(), 1);
}

TEST_F(ReportFeedTest, acknowledgingRemovesTheOldestRecordFromListSetAndFile) {
    writeBytes(threatsFile(), "/x\n\n/y\n/x\n");
    runLoop.advance(1.0);
    manager->acknowledgeFirstThreat();
    EXPECT_EQ(locations(), std::vector<std::string>{"/y"});
    EXPECT_EQ(manager->threatsDetectedCount(), 1);
    EXPECT_EQ(manager->processedThreats().count("/x"), 0U);
    EXPECT_EQ(readBytes(threatsFile()), "/y");

    manager->acknowledgeFirstThreat();
    EXPECT_EQ(fs::file_size(threatsFile()), 0U);
    manager->acknowledgeFirstThreat();
    EXPECT_EQ(manager->threatsDetectedCount(), 0) << "an empty list stays as it is";
}

TEST_F(ReportFeedTest, aFailedRewriteIsReportedAndTheEntryComesBack) {
    fs::create_directories(threatsFile().parent_path());
    fs::create_symlink("/proc/version", threatsFile());
    runLoop.advance(1.0);
    ASSERT_EQ(manager->threatsDetectedCount(), 1);
    const QUuid first = manager->detectedThreats().front().id;

    manager->acknowledgeFirstThreat();
    ASSERT_FALSE(transcript.empty());
    EXPECT_TRUE(transcript.back().starts_with("Failed to update threats file: "))
        << transcript.back();
    runLoop.advance(1.0);
    ASSERT_EQ(manager->threatsDetectedCount(), 1);
    EXPECT_NE(manager->detectedThreats().front().id, first) << "a fresh record for the same line";
}

TEST_F(ReportFeedTest, hostileReportFilesNeverStopTheTicks) {
    setUsbProtection(true);
    std::string big;
    for (int i = 0; i < 2000; ++i) {
        big += "/volume/" + std::to_string(i) + "\n";
    }
    const std::string hugeLine(1024 * 1024, 'x');
    writeBytes(threatsFile(), "/ok\n\xff\xfe\n");
    writeBytes(usbFile(), big + hugeLine + "\n");
    runLoop.advance(1.0);
    EXPECT_EQ(manager->threatsDetectedCount(), 0) << "not UTF-8: unreadable this tick";
    EXPECT_EQ(views.usbViews.size(), 2001U);
    EXPECT_EQ(views.usbViews.back().pathUsb, hugeLine);

    fs::remove(threatsFile());
    fs::create_directory(threatsFile());
    runLoop.advance(1.0);
    fs::remove(threatsFile());
    writeBytes(threatsFile(), "/ok\n");
    runLoop.advance(1.0);
    EXPECT_EQ(manager->threatsDetectedCount(), 1);
}

TEST_F(ReportFeedTest, filesLeftAloneAreReadAgainWhenALineIsForgottenOrAnythingChanges) {
    setUsbProtection(true);
    writeBytes(threatsFile(), "/x\n");
    writeBytes(usbFile(), "disk1\n");
    // Files left alone this long are not read again while they stay as they are.
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    runLoop.advance(2.0);
    EXPECT_EQ(manager->threatsDetectedCount(), 1);
    ASSERT_EQ(views.usbViews.size(), 1U);

    manager->forgetUsbInfo("disk1");
    runLoop.advance(1.0);
    EXPECT_EQ(views.usbViews.size(), 2U) << "a forgotten line is new again in the same file";

    writeBytes(threatsFile(), "/x\n/y\n");
    runLoop.advance(1.0);
    EXPECT_EQ(manager->threatsDetectedCount(), 2);

    setUsbProtection(false);
    writeBytes(usbFile(), "disk1\ndisk2\n");
    runLoop.advance(1.0);
    EXPECT_EQ(views.usbViews.size(), 2U);
    EXPECT_EQ(transcript.back(), "USB Protection is OFF, skipping USB info load.");

    setUsbProtection(true);
    runLoop.advance(1.0);
    ASSERT_EQ(views.usbViews.size(), 3U);
    runLoop.advance(1.0);
    EXPECT_EQ(views.usbViews.size(), 3U) << "the same text read again holds no new line";
    manager->forgetUsbInfo("disk2");
    runLoop.advance(1.0);
    EXPECT_EQ(views.usbViews.size(), 4U) << "nor does it hide a forgotten one";

    // Rewritten without its first line and with one more: only the new line and the forgotten
    // one among those kept are handled again.
    manager->forgetUsbInfo("disk2");
    writeBytes(usbFile(), "disk2\ndisk3\n");
    runLoop.advance(1.0);
    ASSERT_EQ(views.usbViews.size(), 6U);
    EXPECT_EQ(views.usbViews[4].pathUsb, "disk2");
    EXPECT_EQ(views.usbViews[5].pathUsb, "disk3");
}

#include "fakes/agentfixture.h"

namespace {

class PopoverPresenterTest : public AgentFixture {
protected:
    void SetUp() override { start(); }

    void detect(const std::string& lines) {
        writeBytes(threatsFile(), lines);
        runLoop.advance(1.0);
    }
    void closeThreatPopover(size_t view) { views.threatViews.at(view).closePopover(); }
};

}  // namespace

TEST_F(PopoverPresenterTest, closingPacesTheNextThreatPopoverOneSecondLater) {
    detect("/a\n/b\n");
    ASSERT_EQ(views.threatViews.size(), 1U);
    EXPECT_EQ(manager->threatsDetectedCount(), 2);
    EXPECT_TRUE(manager->isPopoverOpen());
    const auto first = shownPopovers().at(0);
    EXPECT_TRUE(first->transient);

    closeThreatPopover(0);
    EXPECT_FALSE(manager->isPopoverOpen());
    EXPECT_EQ(first->closeCount, 1);
    runLoop.advance(0.499);
    EXPECT_EQ(manager->threatsDetectedCount(), 2);
    runLoop.advance(0.001);
    EXPECT_EQ(manager->threatsDetectedCount(), 1) << "acknowledged half a second after closing";
    EXPECT_EQ(readBytes(threatsFile()), "/b");
    EXPECT_EQ(views.threatViews.size(), 1U);
    runLoop.advance(0.5);
    ASSERT_EQ(views.threatViews.size(), 2U) << "the next popover follows half a second later";
    EXPECT_TRUE(manager->isPopoverOpen());
    EXPECT_EQ(manager->detectedThreats().front().location, "/b");

    closeThreatPopover(1);
    runLoop.advance(1.0);
    EXPECT_EQ(views.threatViews.size(), 2U) << "nothing left: nothing opens";
    EXPECT_FALSE(manager->isPopoverOpen());
    EXPECT_EQ(readBytes(threatsFile()), "");
}

TEST_F(PopoverPresenterTest, openingIsGuardedAndTheCountGivenToTheViewIsFixed) {
    manager->openRealTimeProtectionView();
    EXPECT_TRUE(popovers.made.size() == 1 && views.threatViews.empty()) << "empty list: nothing";

    detect("/a\n");
    manager->openRealTimeProtectionView();
    EXPECT_EQ(views.threatViews.size(), 1U) << "already open: nothing";
    detect("/a\n/b\n");
    EXPECT_EQ(views.threatViews.size(), 1U) << "a new threat only waits while one is shown";
    EXPECT_EQ(manager->threatsDetectedCount(), 2);
    EXPECT_EQ(views.threatViews[0].threatsDetected.get(), 1);
    EXPECT_EQ(&views.threatViews[0].statusBarManager, manager.get());

    views.threatViews[0].selectedView.set("Other");
    EXPECT_EQ(manager->selectedView().get(), "Other") << "the binding reaches the manager";
}

TEST_F(PopoverPresenterTest, aThreatArrivingWhileAcknowledgingOpensAtOnce) {
    detect("/a\n");
    runLoop.advance(0.3);
    closeThreatPopover(0);  // at 1.3 s: acknowledged at 1.8 s, reopen step at 2.3 s
    writeBytes(threatsFile(), "/a\n/b\n");
    runLoop.advance(0.6);
    EXPECT_EQ(views.threatViews.size(), 1U);
    runLoop.advance(0.1);  // tick at 2.0 s
    ASSERT_EQ(views.threatViews.size(), 2U) << "the flag is already down: no waiting";
    EXPECT_EQ(manager->detectedThreats().front().location, "/b");
    runLoop.advance(0.3);
    EXPECT_EQ(views.threatViews.size(), 2U) << "the reopen step finds a popover open";
}

TEST_F(PopoverPresenterTest, aClosedRecordIsNeverShownAgainWhileItWaitsForItsAcknowledgement) {
    detect("/a\n");
    runLoop.advance(0.6);
    closeThreatPopover(0);  // at 1.6 s: /a is acknowledged at 2.1 s
    writeBytes(threatsFile(), "/a\n/x\n");
    runLoop.advance(0.4);  // tick at 2.0 s: /x opens a popover at once
    ASSERT_EQ(views.threatViews.size(), 2U);
    EXPECT_EQ(manager->threatOnShow()->location, "/x") << "not /a, which the user closed";
    runLoop.advance(0.3);
    closeThreatPopover(1);  // at 2.3 s: /x is acknowledged at 2.8 s
    runLoop.advance(0.3);   // 2.6 s: the reopen step after /a finds /x closed already
    EXPECT_EQ(views.threatViews.size(), 2U) << "no popover for a record the user closed";
    runLoop.advance(1.0);
    EXPECT_EQ(views.threatViews.size(), 2U);
    EXPECT_EQ(readBytes(threatsFile()), "");
    EXPECT_EQ(manager->threatOnShow(), nullptr);
}

TEST_F(PopoverPresenterTest, aPlatformDismissalActsLikeCloseAndOnlyOnce) {
    detect("/a\n/b\n");
    shownPopovers().at(0)->dismissByPlatform();
    EXPECT_FALSE(manager->isPopoverOpen());
    closeThreatPopover(0);  // a late click on the vanished popover's button
    runLoop.advance(1.0);
    EXPECT_EQ(manager->threatsDetectedCount(), 1) << "one threat acknowledged, not two";
    EXPECT_EQ(views.threatViews.size(), 2U);
}

TEST_F(PopoverPresenterTest, eachUsbDeviceGetsAPopoverAndCloseForgetsOnlyItsOwnLine) {
    setUsbProtection(true);
    writeBytes(usbFile(), "disk1\ndisk2\n");
    runLoop.advance(1.0);
    ASSERT_EQ(views.usbViews.size(), 2U);
    const auto firstPopover = popovers.made.at(1);
    const auto secondPopover = popovers.made.at(2);
    EXPECT_TRUE(firstPopover->shown) << "a replaced popover is not closed";
    EXPECT_EQ(manager->usbPopover(), secondPopover->popover);

    views.usbViews[0].closePopover();
    EXPECT_EQ(secondPopover->closeCount, 1) << "close acts on the popover held now";
    EXPECT_EQ(firstPopover->closeCount, 1) << "and on its own, which would be stuck otherwise";
    EXPECT_FALSE(firstPopover->released) << "kept while it was on screen";
    EXPECT_EQ(readBytes(usbFile()), "disk2");
    EXPECT_EQ(manager->processedUsbInfo(), std::unordered_set<std::string>{"disk2"});

    runLoop.advance(1.0);
    EXPECT_EQ(views.usbViews.size(), 2U) << "disk2 is still handled; disk1 is gone from the file";
    writeBytes(usbFile(), "disk2\ndisk1\n");
    runLoop.advance(1.0);
    EXPECT_EQ(views.usbViews.size(), 3U) << "a forgotten device is new when it comes back";

    // A flood of devices leaves a bounded stack on screen and every line in the file.
    std::string flood = "disk2\ndisk1\n";
    for (int i = 0; i < 50; ++i) {
        flood += "flood" + std::to_string(i) + "\n";
    }
    writeBytes(usbFile(), flood);
    runLoop.advance(1.0);
    EXPECT_EQ(views.usbViews.size(), 53U);
    EXPECT_EQ(manager->usbPopover(), popovers.made.back()->popover);
    EXPECT_EQ(shownPopovers().size(), 5U) << "the newest and the four it covers";
    EXPECT_EQ(readBytes(usbFile()), flood);
}

TEST_F(PopoverPresenterTest, usbPopoverIsRefusedWhileProtectionIsOffOrTheNameIsEmpty) {
    manager->openUsbProtectionViewWithUsbName("disk1");
    EXPECT_EQ(transcript,
              Transcript{"USB Protection disabled, will not open USB protection view."});
    setUsbProtection(true);
    manager->openUsbProtectionViewWithUsbName("");
    EXPECT_EQ(transcript.size(), 1U);
    EXPECT_TRUE(views.usbViews.empty());
    EXPECT_EQ(manager->usbPopover(), nullptr);
}

TEST_F(PopoverPresenterTest, popoversAreBuiltButNotShownWithoutAStatusItem) {
    statusBar.providesItem = false;
    statusBar.item = std::make_shared<FakeStatusItemState>();
    popovers.made.clear();
    restart();
    EXPECT_FALSE(statusBar.item->menu.has_value());
    detect("/a\n");
    ASSERT_EQ(views.threatViews.size(), 1U);
    EXPECT_TRUE(popovers.made.back()->hasContent);
    EXPECT_TRUE(shownPopovers().empty());
    manager->togglePopover();
    EXPECT_TRUE(shownPopovers().empty());
}

#include "fakes/agentfixture.h"

TEST_F(AgentFixture, startsInItsInitialStateAndFirstReadsAfterOneSecond) {
    writeBytes(threatsFile(), "/t\n");
    start();
    EXPECT_TRUE(manager->detectedThreats().empty());
    EXPECT_EQ(manager->threatsDetectedCount(), 0);
    EXPECT_FALSE(manager->isPopoverOpen());
    EXPECT_EQ(manager->selectedView().get(), "StatusDashboard");
    ASSERT_NE(manager->popover(), nullptr);
    EXPECT_TRUE(popovers.made.at(0)->transient);
    EXPECT_EQ(manager->usbPopover(), nullptr);
    EXPECT_NE(manager->statusItem(), nullptr);

    runLoop.advance(0.999);
    EXPECT_TRUE(manager->processedThreats().empty()) << "nothing is read at start-up";
    runLoop.advance(0.001);
    EXPECT_EQ(manager->processedThreats().size(), 1U);
}

TEST_F(AgentFixture, everyCountChangeAnnouncesTwiceAndViewStateNever) {
    start();
    int announcements = 0;
    manager->objectWillChange().subscribe([&] { ++announcements; });
    manager->selectedView().set("Elsewhere");
    EXPECT_EQ(announcements, 0);
    manager->addDetectedThreat(Threat::fromReportLine("/a"));
    EXPECT_EQ(announcements, 2);
    manager->acknowledgeFirstThreat();
    EXPECT_EQ(announcements, 4);
}

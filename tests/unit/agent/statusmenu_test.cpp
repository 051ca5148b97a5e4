#include "agent/statusmenu.h"
#include "fakes/agentfixture.h"

namespace {

using Kind = MenuItem::Kind;
using Style = StatusMenu::ControlStyle;

class StatusMenuTest : public AgentFixture {
protected:
    const Menu& menu() const { return *statusBar.item->menu; }
};

}  // namespace

TEST(StatusMenuStyle, switchesNeedWidgetsInTheMenuAndOnMacOsVersion11) {
    EXPECT_EQ(StatusMenu::controlStyleFor(true, false, {6, 1, 0}), Style::Switches);
    EXPECT_EQ(StatusMenu::controlStyleFor(false, false, {6, 1, 0}), Style::Checkboxes);
    EXPECT_EQ(StatusMenu::controlStyleFor(true, true, {11, 0, 0}), Style::Switches);
    EXPECT_EQ(StatusMenu::controlStyleFor(true, true, {10, 15, 7}), Style::Checkboxes);
    EXPECT_EQ(StatusMenu::controlStyleFor(false, true, {14, 2, 1}), Style::Checkboxes);
}

TEST_F(StatusMenuTest, menuShowsTheStoredSwitchesInOrder) {
    writeSettings(R"({"realTimeProtection": true, "usbProtection": false})");
    start();
    EXPECT_EQ(statusBar.item->image, "Corvane.menu.icon");
    ASSERT_EQ(menu().size(), 6U);
    const std::vector<Kind> kinds = {Kind::ProtectionSwitch, Kind::Separator,
                                     Kind::ProtectionSwitch, Kind::Separator,
                                     Kind::Command,          Kind::Separator};
    for (size_t i = 0; i < kinds.size(); ++i) {
        EXPECT_EQ(menu()[i].kind, kinds[i]) << "row " << i;
    }
    EXPECT_EQ(menu()[0].title, "Real Time Protection");
    EXPECT_TRUE(menu()[0].on);
    EXPECT_EQ(menu()[2].title, "USB Protection");
    EXPECT_FALSE(menu()[2].on);
    EXPECT_EQ(menu()[4].title, "Open Corvane Antivirus");
    EXPECT_EQ(menu()[4].keyEquivalent, "O");
    EXPECT_TRUE(transcript.empty()) << "building the menu prints nothing";
}

TEST_F(StatusMenuTest, bothControlStylesRunTheSameSequences) {
    Transcript perStyle[2];
    for (const bool widgets : {true, false}) {
        statusBar.hostsWidgets = widgets;
        fs::remove(dataFile(ProductLocations::kSettingsFile));
        restart();
        EXPECT_EQ(menu()[0].kind, widgets ? Kind::ProtectionSwitch : Kind::ProtectionCheckbox);
        EXPECT_FALSE(menu()[0].on) << "no settings file: off";
        transcript.clear();
        menu()[0].toggled(1);
        menu()[2].toggled(0);
        menu()[4].triggered();
        perStyle[widgets ? 0 : 1] = transcript;
    }
    EXPECT_EQ(perStyle[0], perStyle[1]);
    EXPECT_EQ(
        perStyle[0].front(),
        "$ /bin/launchctl load " +
            (home.path() / "Library/LaunchAgents/com.corvane.antivirus.realtime.plist").string());
    EXPECT_EQ(perStyle[0].back(), "Successfully opened Corvane Antivirus app.");
}

TEST_F(StatusMenuTest, theButtonTogglesTheEmptyPopover) {
    start();
    auto& popover = *popovers.made.at(0);
    EXPECT_TRUE(popover.transient);
    statusBar.item->buttonAction();
    EXPECT_TRUE(popover.shown);
    statusBar.item->buttonAction();
    EXPECT_FALSE(popover.shown);
    EXPECT_EQ(popover.closeCount, 1);
}

#include "agent/reporttext.h"
#include "agent/statusmenu.h"
#include "fakes/agentfixture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kUsbOff = "USB Protection is OFF, skipping USB info load.";

class Agent : public AgentFixture {
protected:
    void SetUp() override { start(); }

    // The popovers made for threats (or for USB devices), in the order they were made.
    std::vector<std::shared_ptr<FakePopoverState>> threatPopovers(bool threats = true) const {
        std::vector<std::shared_ptr<FakePopoverState>> found;
        std::ranges::copy_if(popovers.made, std::back_inserter(found), [threats](const auto& p) {
            return threats ? p->threatView.has_value() : p->usbView.has_value();
        });
        return found;
    }
    auto usbPopovers() const { return threatPopovers(false); }
    std::string shownLocation() const {
        const auto threat = threatPopovers().back()->threatView->threatOnShow();
        return threat ? threat->location : "(none)";
    }
    void closeThreat() const { threatPopovers().back()->threatView->closePopover(); }
    std::size_t shownCount() const {
        return static_cast<std::size_t>(std::ranges::count_if(
            popovers.made, [](const auto& popover) { return popover->shown; }));
    }
};

}  // namespace

TEST_F(Agent, startsQuietAndReadsOnceASecondNeverAtStart) {
    writeBytes(threatsFile(), "/t\n");
    EXPECT_EQ(manager->selectedView().get(), "StatusDashboard");
    EXPECT_TRUE(popovers.made.at(0)->transient);
    EXPECT_EQ(manager->usbPopover(), nullptr);
    EXPECT_EQ(statusBar.item->image, "Corvane.menu.icon");
    runLoop.advance(0.999);
    EXPECT_EQ(manager->threatsDetectedCount(), 0) << "nothing is read at start-up";
    EXPECT_TRUE(transcript.empty());
    runLoop.advance(2.001);
    EXPECT_EQ(manager->threatsDetectedCount(), 1);
    EXPECT_EQ(transcript, Transcript(3, kUsbOff)) << "one skip line per tick";
}

TEST_F(Agent, threatsAreShownOneByOneAndLeaveTheFileWhenAcknowledged) {
    int announcements = 0;
    manager->objectWillChange().subscribe([&] { ++announcements; });
    writeBytes(threatsFile(), "/Users/a/Downloads/setup.pkg\n\n/b\r\n/b\r\n");
    runLoop.advance(1.0);
    ASSERT_EQ(threatPopovers().size(), 1U) << "one popover for two records";
    EXPECT_EQ(manager->threatsDetectedCount(), 2) << "a line written twice is one record";
    EXPECT_EQ(announcements, 4) << "two announcements per count change";
    const auto shown = threatPopovers()[0]->threatView->threatOnShow();
    EXPECT_EQ(std::tie(shown->itemName, shown->threatName, shown->location, shown->status),
              std::tie("setup.pkg", "Infected", "/Users/a/Downloads/setup.pkg", "Quarantine"));
    EXPECT_NE(manager->detectedThreats().at(0).id, manager->detectedThreats().at(1).id);
    EXPECT_TRUE(threatPopovers()[0]->transient && manager->isPopoverOpen());

    closeThreat();
    EXPECT_FALSE(manager->isPopoverOpen());
    runLoop.advance(0.499);
    EXPECT_EQ(manager->threatsDetectedCount(), 2);
    runLoop.advance(0.001);
    EXPECT_EQ(manager->threatsDetectedCount(), 1) << "acknowledged half a second after Close";
    EXPECT_EQ(readBytes(threatsFile()), "/b\r\n/b\r") << "blank lines go, no final line feed";
    runLoop.advance(0.499);
    EXPECT_EQ(threatPopovers().size(), 1U);
    runLoop.advance(0.001);
    ASSERT_EQ(threatPopovers().size(), 2U) << "the next popover half a second after that";
    EXPECT_EQ(shownLocation(), "/b\r");
    EXPECT_EQ(threatPopovers()[0]->threatView->threatsDetected.get(), 1) << "count at opening";

    closeThreat();
    runLoop.advance(2.0);
    EXPECT_EQ(threatPopovers().size(), 2U) << "nothing left: nothing opens";
    EXPECT_EQ(readBytes(threatsFile()), "") << "every copy of the line is gone";
}

TEST_F(Agent, aClosedRecordIsNeverShownAgainNoPopoverOpensOverAnotherAndADismissalCountsOnce) {
    writeBytes(threatsFile(), "/a\n");
    runLoop.advance(1.6);
    closeThreat();  // at 1.6 s: /a is acknowledged at 2.1 s, and the next popover is due at 2.6 s
    writeBytes(threatsFile(), "/a\n/x\n");
    runLoop.advance(0.4);  // the tick at 2.0 s opens /x at once: the flag is already down
    ASSERT_EQ(threatPopovers().size(), 2U);
    EXPECT_EQ(shownLocation(), "/x") << "not /a, which the user closed";
    runLoop.advance(0.7);
    EXPECT_EQ(threatPopovers().size(), 2U) << "the popover due at 2.6 s is the one already open";
    EXPECT_EQ(shownCount(), 1U);
    threatPopovers().back()->dismissByPlatform();  // at 2.7 s, acts like Close
    closeThreat();                                 // a late click on the vanished popover
    runLoop.advance(2.0);
    EXPECT_EQ(threatPopovers().size(), 2U) << "no popover for a record the user closed";
    EXPECT_EQ(manager->threatsDetectedCount(), 0);
    EXPECT_EQ(readBytes(threatsFile()), "");
}

TEST_F(Agent, twoClosesWithinHalfASecondEachTakeTheirOwnLineAndTheNextShowsOnce) {
    writeBytes(threatsFile(), "/a\n");
    runLoop.advance(1.6);
    closeThreat();  // /a goes at 2.1 s, the next popover is due at 2.6 s
    writeBytes(threatsFile(), "/a\n/x\n/y\n");
    runLoop.advance(0.4);
    closeThreat();  // /x, open since the tick at 2.0 s, goes at 2.5 s, a popover is due at 3.0 s
    runLoop.advance(0.1);
    EXPECT_EQ(readBytes(threatsFile()), "/x\n/y");
    runLoop.advance(0.4);
    EXPECT_EQ(readBytes(threatsFile()), "/y");
    runLoop.advance(0.1);
    ASSERT_EQ(threatPopovers().size(), 3U);
    EXPECT_EQ(shownLocation(), "/y");
    runLoop.advance(1.0);
    EXPECT_EQ(threatPopovers().size(), 3U) << "the popover due at 3.0 s is the one showing /y";
}

TEST_F(Agent, aFailedRewriteIsReportedAndTheEntryComesBackAsANewRecord) {
    setUsbProtection(true);
    fs::create_symlink("/proc/version", threatsFile());  // readable, but not replaceable
    fs::create_symlink("/proc/version", usbFile());
    runLoop.advance(1.0);
    const QUuid first = manager->detectedThreats().at(0).id;
    closeThreat();
    runLoop.advance(0.5);
    EXPECT_TRUE(transcript.back().starts_with("Failed to update threats file: Could not write"))
        << transcript.back();
    runLoop.advance(0.5);
    ASSERT_EQ(manager->threatsDetectedCount(), 1);
    EXPECT_NE(manager->detectedThreats().at(0).id, first);
    usbPopovers().at(0)->usbView->closePopover();
    EXPECT_TRUE(transcript.back().starts_with("Failed to update USB file: ")) << transcript.back();
}

TEST_F(Agent, usbDevicesOpenAPopoverEachAndCloseForgetsOnlyTheirOwnLine) {
    writeBytes(usbFile(), "disk1\n");
    runLoop.advance(2.0);
    EXPECT_TRUE(usbPopovers().empty()) << "not read while USB protection is off";
    manager->openUsbProtectionViewWithUsbName("disk1");
    EXPECT_EQ(transcript.back(), "USB Protection disabled, will not open USB protection view.");

    setUsbProtection(true);
    writeBytes(usbFile(), "disk1\ndisk2\n");
    runLoop.advance(1.0);
    ASSERT_EQ(usbPopovers().size(), 2U);
    EXPECT_EQ(manager->usbPopover(), usbPopovers()[1]->popover);
    usbPopovers()[0]->usbView->closePopover();
    EXPECT_EQ(usbPopovers()[1]->closeCount, 1) << "close acts on the popover held now";
    EXPECT_EQ(usbPopovers()[0]->closeCount, 1) << "and on its own, stuck otherwise";
    EXPECT_EQ(readBytes(usbFile()), "disk2");
    EXPECT_FALSE(manager->processedUsbInfo().isHandled("disk1"));

    transcript.clear();
    usbPopovers()[1]->usbView->scanNow();
    EXPECT_EQ(transcript, (Transcript{"com.corvane.antivirus.shared: scanType = USB",
                                      "com.corvane.antivirus.shared: selectedView = User3Scan",
                                      "com.corvane.antivirus.shared: synchronize",
                                      "open /Applications/Corvane Antivirus.app"}));
    EXPECT_EQ(readBytes(usbFile()), "");
    EXPECT_EQ(usbPopovers()[1]->closeCount, 2);

    std::string flood;
    for (int i = 0; i < 8; ++i) {
        flood += "flood" + std::to_string(i) + "\n";
    }
    writeBytes(usbFile(), flood);
    runLoop.advance(1.0);
    EXPECT_EQ(shownCount(), 5U) << "a flood of devices waits in the file beyond five popovers";
    usbPopovers().back()->usbView->closePopover();
    runLoop.advance(1.0);
    EXPECT_EQ(usbPopovers().back()->usbView->pathUsb, "flood5") << "the next in file order";
}

TEST_F(Agent, aFloodIsTakenInFileOrderAFewTicksAtATimeAndNothingIsRewritten) {
    constexpr std::size_t kLines = 120'000;
    std::string flood;
    for (std::size_t i = 0; i < kLines; ++i) {
        flood += "/flood/" + std::to_string(i) + "\n";
    }
    writeBytes(threatsFile(), flood);
    for (const std::size_t expected : {50'000UL, 100'000UL, kLines, kLines}) {
        runLoop.advance(1.0);
        EXPECT_EQ(manager->detectedThreats().size(), expected);
    }
    EXPECT_EQ(transcript, Transcript(4, kUsbOff)) << "every tick ran";
    for (const std::size_t i : {0UL, 49'999UL, 50'000UL, kLines - 1}) {
        EXPECT_EQ(manager->detectedThreats().at(i).location, "/flood/" + std::to_string(i));
    }
    EXPECT_EQ(threatPopovers().size(), 1U);
    EXPECT_EQ(readBytes(threatsFile()), flood) << "nothing leaves the file unacknowledged";
}

TEST_F(Agent, aRewriteWhileALargeFileIsReadInPiecesStartsTheReadOver) {
    writeBytes(threatsFile(), "/a\n");
    runLoop.advance(1.5);
    closeThreat();  // /a is acknowledged at 2.0 s, just after the tick there read a first piece
    std::string flood = "/a\n";
    while (flood.size() <= 2 * ReportFile::kBytesPerPiece) {
        flood += "/flood/" + std::string(100, 'x') + std::to_string(flood.size()) + "\n";
    }
    writeBytes(threatsFile(), flood);
    runLoop.advance(0.5);
    ASSERT_EQ(manager->detectedThreats().size(), ReportFeed::kMaxLinesPerTick);
    EXPECT_NE(manager->detectedThreats().at(0).location, "/a") << "the old file held it still";
}

TEST_F(Agent, whatIsNotARegularFileIsSkippedWithoutWaiting) {
    // How to make the path, and whether a settings update goes through it.
    const std::vector<std::pair<std::function<void(const fs::path&)>, bool>> kinds = {
        {[](const fs::path& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); }, false},
        {[](const fs::path& path) { fs::create_directory(path); }, false},
        {[](const fs::path& path) {  // a link to a FIFO: never a real device, which root could harm
             ASSERT_EQ(::mkfifo((path.string() + ".fifo").c_str(), 0600), 0);
             fs::create_symlink(path.string() + ".fifo", path);
         },
         false},
        {[](const fs::path& path) { fs::create_symlink("target", path); }, true},
        {[](const fs::path& path) {  // a sparse file just past the size cap
             writeBytes(path, "{\"usbProtection\": true}\n/x\n");
             fs::resize_file(path, FileSystem::kMaxFileBytes + 1);
         },
         false},
    };
    for (std::size_t kind = 0; kind < kinds.size(); ++kind) {
        fs::remove_all(threatsFile().parent_path());
        fs::create_directories(threatsFile().parent_path());
        for (const auto& path : {threatsFile(), usbFile(), dataFile("settings.json")}) {
            kinds[kind].first(path);
        }
        const auto before = fs::symlink_status(dataFile("settings.json")).type();
        transcript.clear();
        restart();
        runLoop.advance(2.0);
        EXPECT_EQ(transcript, Transcript(2, kUsbOff)) << "kind " << kind << ": settings read off";
        EXPECT_EQ(manager->threatsDetectedCount(), 0) << "kind " << kind;
        manager->toggleUsbProtection(1);
        EXPECT_EQ(transcript[2].starts_with("Updated "), kinds[kind].second) << transcript[2];
        EXPECT_EQ(fs::symlink_status(dataFile("settings.json")).type(), before) << "kind " << kind;
        if (kinds[kind].second) {
            EXPECT_EQ(readBytes(dataFile("target")), "{\n  \"usbProtection\": true\n}");
        }
    }
}

TEST_F(Agent, linesAScannerWritesIntoTheReplacedFileAreCarriedOver) {
    const fs::path real = home.path() / "elsewhere.txt";
    writeBytes(real, "/a\n/b\n");
    fs::create_directories(threatsFile().parent_path());
    fs::create_symlink(real, threatsFile());
    runLoop.advance(1.0);
    // A scanner that opened the file just before the agent's replace writes 1.5 s later.
    const int scanner = ::open(threatsFile().c_str(), O_WRONLY | O_APPEND);
    closeThreat();
    runLoop.advance(0.5);
    EXPECT_EQ(readBytes(real), "/b");
    runLoop.advance(1.5);
    ASSERT_EQ(::write(scanner, "/late\n", 6), 6);
    ::close(scanner);
    runLoop.advance(2.0);
    EXPECT_EQ(readBytes(real), "/b\n/late\n");
    EXPECT_TRUE(fs::is_symlink(threatsFile())) << "the link survives the replace";
    EXPECT_EQ(manager->detectedThreats().at(1).location, "/late");
}

TEST_F(Agent, leftoversOfAnInterruptedReplaceGoAndNewFilesHonourTheUmask) {
    for (const char* name : {".detected_threats.txt.AbC123", ".settings.json.xYz789",
                             ".settings.json.keep", "settings.json.AbC123"}) {
        writeBytes(dataFile(name), "x");
    }
    restart();
    EXPECT_FALSE(fs::exists(dataFile(".detected_threats.txt.AbC123")));
    EXPECT_FALSE(fs::exists(dataFile(".settings.json.xYz789")));
    EXPECT_TRUE(fs::exists(dataFile(".settings.json.keep")) &&
                fs::exists(dataFile("settings.json.AbC123")));

    const mode_t old = ::umask(027);
    manager->toggleUsbProtection(1);
    ::umask(old);
    EXPECT_EQ(fs::status(dataFile("settings.json")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(Agent, theMenuShowsTheStoredSwitchesAndBothStylesActAlike) {
    using Kind = MenuItem::Kind;
    using Style = StatusMenu::ControlStyle;
    EXPECT_EQ(StatusMenu::controlStyleFor(true, false, {6, 1, 0}), Style::Switches);
    EXPECT_EQ(StatusMenu::controlStyleFor(false, false, {6, 1, 0}), Style::Checkboxes);
    EXPECT_EQ(StatusMenu::controlStyleFor(true, true, {11, 0, 0}), Style::Switches);
    EXPECT_EQ(StatusMenu::controlStyleFor(true, true, {10, 15, 7}), Style::Checkboxes);
    writeSettings(R"({"realTimeProtection": true, "usbProtection": false})");
    Transcript perStyle[2];
    for (const bool widgets : {true, false}) {
        statusBar.hostsWidgets = widgets;
        restart();
        const Menu& menu = *statusBar.item->menu;
        const Kind control = widgets ? Kind::ProtectionSwitch : Kind::ProtectionCheckbox;
        ASSERT_EQ(menu.size(), 6U);
        EXPECT_EQ(std::vector({menu[0].kind, menu[1].kind, menu[2].kind, menu[3].kind, menu[4].kind,
                               menu[5].kind}),
                  std::vector({control, Kind::Separator, control, Kind::Separator, Kind::Command,
                               Kind::Separator}));
        EXPECT_EQ(std::tie(menu[0].title, menu[0].on, menu[2].title, menu[2].on),
                  std::make_tuple("Real Time Protection", true, "USB Protection", false));
        EXPECT_EQ(std::tie(menu[4].title, menu[4].keyEquivalent),
                  std::tie("Open Corvane Antivirus", "O"));
        transcript.clear();
        menu[0].toggled(0);
        menu[2].toggled(1);
        menu[4].triggered();
        perStyle[widgets ? 0 : 1] = transcript;
        writeSettings(R"({"realTimeProtection": true, "usbProtection": false})");
    }
    EXPECT_EQ(perStyle[0], perStyle[1]);
    EXPECT_EQ(perStyle[0].back(), "Successfully opened Corvane Antivirus app.");

    auto& popover = *popovers.made.back();
    statusBar.item->buttonAction();
    EXPECT_TRUE(popover.shown);
    statusBar.item->buttonAction();
    EXPECT_EQ(popover.closeCount, 1) << "the button toggles the empty popover";
}

TEST(ReportText, decodesUtf8AndUtf16WithAByteOrderMarkOnly) {
    EXPECT_EQ(ReportText::decode("caf\xc3\xa9\n"), "caf\xc3\xa9\n");
    EXPECT_EQ(ReportText::decode("\xef\xbb\xbf/a\n"), "/a\n");
    EXPECT_EQ(ReportText::decode(std::string("\xff\xfe/\0a\0\n\0", 8)), "/a\n");
    EXPECT_EQ(ReportText::decode(std::string("\xfe\xff\0/\0\xe9", 6)), "/\xc3\xa9");
    EXPECT_EQ(ReportText::decode(std::string("\xff\xfe\x3d\xd8\x00\xde", 6)), "\xf0\x9f\x98\x80");
    for (const std::string& bytes :
         {std::string("\xc3\x28"), std::string("\xe0\x80\xaf"), std::string("\xed\xa0\x80"),
          std::string("\xf4\x90\x80\x80"), std::string("ab\xe2\x82"), std::string("\xff\xfe/", 3),
          std::string("\xff\xfe\x00\xd8\n\x00", 6)}) {
        EXPECT_EQ(ReportText::decode(bytes), std::nullopt) << bytes.size() << " bytes";
    }
    for (const auto& [path, name] : std::vector<std::pair<std::string, std::string>>{
             {"/a/dir/", "dir"}, {"noslash", "noslash"}, {"/", "/"}, {"", ""}, {"a/b\r", "b\r"}}) {
        EXPECT_EQ(lastPathComponent(path), name) << path;
    }
}

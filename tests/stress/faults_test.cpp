// Faults a desktop really produces, each met with its line or with silence, the agent still
// ticking and nothing lost. Disk-full and read-only cases need root for a private mount
// namespace with a tiny file system; elsewhere they are skipped.
#include "agentfixture.h"

#include <algorithm>

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

class FaultsTest : public AgentFixture {
protected:
    // Mounts a tmpfs of `kilobytes` over the product's data folder, in this process's own mount
    // namespace so that nothing outside sees it.
    bool mountTinyDataFolder(int kilobytes) {
        static const bool isolated =
            ::geteuid() == 0 && ::unshare(CLONE_NEWNS) == 0 &&
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
        if (!isolated) {
            return false;
        }
        m_folder = threatsFile().parent_path();
        fs::create_directories(m_folder);
        const std::string options = "size=" + std::to_string(kilobytes) + "k";
        return ::mount("tmpfs", m_folder.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    void remount(unsigned long flags) {
        ASSERT_EQ(::mount(nullptr, m_folder.c_str(), nullptr, MS_REMOUNT | flags, nullptr), 0);
    }
    void TearDown() override {
        manager.reset();
        if (!m_folder.empty()) {
            ::umount2(m_folder.c_str(), MNT_DETACH);
        }
    }
    bool lastLineStartsWith(const std::string& prefix) const {
        return !transcript.empty() && transcript.back().starts_with(prefix);
    }

    fs::path m_folder;
};

}  // namespace

TEST_F(FaultsTest, aFullDiskKeepsEveryLineAndTheSettings) {
    if (!mountTinyDataFolder(16)) {
        GTEST_SKIP() << "needs root for a private mount namespace";
    }
    writeSettings(R"({"usbProtection": false, "keep": "me"})");
    writeBytes(threatsFile(), "/a\n/b\n");
    std::string filler(16 * 1024, 'x');
    writeBytes(m_folder / "filler", filler);  // fills what is left, however little
    start();
    runLoop.advance(1.0);
    ASSERT_EQ(manager->threatsDetectedCount(), 2);

    views.threatViews.at(0).closePopover();
    runLoop.advance(0.5);
    EXPECT_TRUE(lastLineStartsWith("Failed to update threats file: ")) << transcript.back();
    EXPECT_NE(transcript.back().find("No space left on device"), std::string::npos);
    EXPECT_EQ(readBytes(threatsFile()), "/a\n/b\n") << "the file is left whole";

    runLoop.advance(1.0);
    EXPECT_EQ(manager->threatsDetectedCount(), 2) << "the line that stayed is shown again";

    manager->toggleUsbProtection(1);
    const auto failed = std::find_if(transcript.begin(), transcript.end(), [](const auto& line) {
        return line.starts_with("Failed to update settings: ");
    });
    EXPECT_NE(failed, transcript.end());
    EXPECT_EQ(readBytes(dataFile(ProductLocations::kSettingsFile)),
              R"({"usbProtection": false, "keep": "me"})");
}

TEST_F(FaultsTest, aReadOnlyFolderIsReportedAndTheAgentGoesOn) {
    if (!mountTinyDataFolder(256)) {
        GTEST_SKIP() << "needs root for a private mount namespace";
    }
    writeSettings(R"({"usbProtection": true})");
    writeBytes(threatsFile(), "/a\n");
    writeBytes(usbFile(), "disk\n");
    remount(MS_RDONLY);
    start();
    runLoop.advance(1.0);
    ASSERT_EQ(views.usbViews.size(), 1U);
    views.usbViews[0].closePopover();
    EXPECT_TRUE(lastLineStartsWith("Failed to update USB file: ")) << transcript.back();
    EXPECT_NE(transcript.back().find("Read-only file system"), std::string::npos);
    views.threatViews.at(0).closePopover();
    runLoop.advance(0.5);
    EXPECT_TRUE(lastLineStartsWith("Failed to update threats file: ")) << transcript.back();

    remount(0);
    runLoop.advance(1.5);
    ASSERT_EQ(views.threatViews.size(), 2U) << "ticking on: the line is shown again";
    views.threatViews[1].closePopover();
    runLoop.advance(0.5);
    EXPECT_EQ(readBytes(threatsFile()), "") << "and removed once the folder is writable";
}

TEST_F(FaultsTest, aDataFolderDeletedAndRecreatedIsPickedUpAgain) {
    writeBytes(threatsFile(), "/a\n");
    start();
    runLoop.advance(1.0);
    ASSERT_EQ(manager->threatsDetectedCount(), 1);
    fs::remove_all(threatsFile().parent_path());
    views.threatViews.at(0).closePopover();
    runLoop.advance(2.0);
    EXPECT_EQ(manager->threatsDetectedCount(), 0);
    EXPECT_FALSE(fs::exists(threatsFile())) << "a missing file is not created";

    writeBytes(threatsFile(), "/a\n/b\n");
    runLoop.advance(1.0);
    EXPECT_EQ(manager->threatsDetectedCount(), 2) << "both are new again";
}

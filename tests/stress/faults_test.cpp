// Faults a desktop really produces, each met with its line or with silence, the agent still
// ticking and nothing lost. Disk-full and read-only cases need root for a private mount
// namespace with a tiny file system; elsewhere they are skipped. Root meets permission bits
// only once this thread gives up the capabilities that let it pass them.
#include "fakes/agentfixture.h"

#include <algorithm>

#include <linux/capability.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// While alive, this thread checks file permissions as any user would, even as root: the
// capabilities that override them leave its effective set. Capabilities belong to threads, so
// the rest of the process is untouched; the permitted set keeps them for the restore.
class PermissionsApply final {
public:
    PermissionsApply() {
        if (::geteuid() != 0) {
            m_applying = true;
            return;
        }
        if (::syscall(SYS_capget, &m_header, m_saved) != 0) {
            return;
        }
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        for (const int capability : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) {
            reduced[capability / 32].effective &= ~(1U << (capability % 32));
        }
        m_restore = ::syscall(SYS_capset, &m_header, reduced) == 0;
        m_applying = m_restore;
    }
    ~PermissionsApply() {
        if (m_restore) {
            ::syscall(SYS_capset, &m_header, m_saved);
        }
    }
    PermissionsApply(const PermissionsApply&) = delete;
    PermissionsApply& operator=(const PermissionsApply&) = delete;

    bool applying() const { return m_applying; }

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
    bool m_restore = false;
    bool m_applying = false;
};

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

TEST_F(FaultsTest, permissionDeniedOnReadIsSilentAndOnWriteIsReported) {
    writeSettings(R"({"usbProtection": true, "keep": "me"})");
    writeBytes(threatsFile(), "/a\n");
    writeBytes(usbFile(), "disk\n");
    const fs::path folder = threatsFile().parent_path();
    const PermissionsApply permissionsApply;
    if (!permissionsApply.applying()) {
        GTEST_SKIP() << "cannot leave root's permission overrides";
    }
    fs::permissions(threatsFile(), fs::perms::none);
    start();
    runLoop.advance(1.0);
    EXPECT_EQ(manager->threatsDetectedCount(), 0) << "an unreadable report is skipped";
    ASSERT_EQ(views.usbViews.size(), 1U);

    // The folder takes no new file, so nothing in it can be replaced.
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    views.usbViews[0].closePopover();
    EXPECT_TRUE(lastLineStartsWith("Failed to update USB file: ")) << transcript.back();
    EXPECT_NE(transcript.back().find("Permission denied"), std::string::npos);
    EXPECT_EQ(readBytes(usbFile()), "disk\n");

    fs::permissions(dataFile(ProductLocations::kSettingsFile), fs::perms::none);
    manager->toggleRealTimeProtection(1);
    EXPECT_TRUE(std::any_of(transcript.begin(), transcript.end(), [](const auto& line) {
        return line.starts_with("Failed to update settings: ") &&
               line.find("Permission denied") != std::string::npos;
    }));

    fs::permissions(folder, fs::perms::owner_all);
    fs::permissions(threatsFile(), fs::perms::owner_read | fs::perms::owner_write);
    fs::permissions(dataFile(ProductLocations::kSettingsFile),
                    fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(readBytes(dataFile(ProductLocations::kSettingsFile)),
              R"({"usbProtection": true, "keep": "me"})");
    runLoop.advance(1.0);
    EXPECT_EQ(manager->threatsDetectedCount(), 1) << "readable again: ticking on";
    ASSERT_GE(views.usbViews.size(), 2U) << "the device that stayed is shown again";
    views.usbViews.back().closePopover();
    EXPECT_EQ(readBytes(usbFile()), "") << "and removed once the folder is writable";
}

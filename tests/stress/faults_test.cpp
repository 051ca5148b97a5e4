// Faults a desktop really produces: a write that fails is reported with its cause and leaves the
// file as it was; once the fault is gone the next one succeeds, keeping what a scanner appends
// to the replaced file, and a data folder deleted and made again is read again. The agent works as
// a user who is not root and owns the home. The disk faults need root, for a tiny file system in a
// private mount namespace, which the shell commands share; elsewhere they are skipped.
#include "fakes/agentfixture.h"

#include <fstream>

#include <sched.h>
#include <sys/fsuid.h>
#include <unistd.h>

// The cause printed, then shell commands that set up, inflict and repair it on the data folder $D.
using Fault = std::tuple<std::string, std::string, std::string, std::string>;
constexpr auto kTinyDisk =
    R"(mount --make-rprivate / && mkdir -p "$D" && mount -t tmpfs -o size=64k tmpfs "$D")";

class FaultsTest : public AgentFixture, public ::testing::WithParamInterface<Fault> {};

INSTANTIATE_TEST_SUITE_P(
    Faults, FaultsTest,
    ::testing::Values(Fault{"No space left on device", kTinyDisk, R"(head -c 1M /dev/zero >"$D/x")",
                            R"(rm "$D/x")"},
                      Fault{"Read-only file system", kTinyDisk, R"(mount -o remount,ro "$D")",
                            R"(mount -o remount,rw "$D")"},
                      Fault{"Permission denied", "", R"(chmod 500 "$D")", R"(chmod 700 "$D")"}));

TEST_P(FaultsTest, aFailedWriteIsReportedKeepsTheFileAndIsRecoveredFrom) {
    const auto& [cause, setUp, inflict, repair] = GetParam();
    ::setenv("D", threatsFile().parent_path().c_str(), 1);
    const auto shell = [](const std::string& line) { return std::system(line.c_str()) == 0; };
    if (!setUp.empty() && !(::unshare(CLONE_NEWNS) == 0 && shell(setUp))) {
        GTEST_SKIP() << "needs root for a private mount namespace";
    }
    // The agent must meet the permission bits that root passes.
    shell(R"(mkdir -p "$D" && chown -R 65534 "$D/../../.." 2>/dev/null)") && ::setfsuid(65534) >= 0;
    writeBytes(threatsFile(), "/a\n/b\n");
    writeBytes(usbFile(), "disk\nstick\n");
    shell(inflict);
    start();
    manager->removeThreatFromFile("/a");
    manager->removeUsbInfoFromFile("disk");
    manager->toggleRealTimeProtection(1);
    std::string failures;  // what failed with the cause, which follows the path
    for (const auto& line : transcript) {
        failures += line.ends_with(": " + cause) ? line.substr(0, line.find(':')) + "; " : "";
    }
    EXPECT_EQ(failures,
              "Failed to update threats file; Failed to update USB file; "
              "Failed to update settings; ");
    EXPECT_EQ(readBytes(threatsFile()) + readBytes(usbFile()), "/a\n/b\ndisk\nstick\n");
    EXPECT_FALSE(fs::exists(dataFile(ProductLocations::kSettingsFile)));

    shell(repair);
    std::ofstream late(threatsFile(), std::ios::app);  // opened before the file is replaced
    manager->removeThreatFromFile("/a");
    late << "\n/c\n" << std::flush;
    runLoop.advance(1.0);
    EXPECT_EQ(readBytes(threatsFile()), "/b\n/c\n") << "/a removed, the late /c carried over";
    shell(R"(rm -rf "$D")");
    runLoop.advance(1.0);
    writeBytes(threatsFile(), "/a\n/b\n");
    runLoop.advance(1.0);
    EXPECT_EQ(manager->threatsDetectedCount(), 3) << "a data folder made again is read again";
    ::setfsuid(0);
    shell(R"(mountpoint -q "$D" && umount -l "$D"; chmod -R u+rwX "$D")");
}

// A real scanner process appends distinct lines to both report files while the agent shows and
// dismisses every popover as fast as its clock allows. Nothing may be lost or shown twice.
// STRESS_LINES sets the lines per file (default 1000); STRESS_NO_LOCK=1 makes the scanner skip
// the advisory lock.
#include "fakes/agentfixture.h"

#include <set>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

int environmentNumber(const char* name, int fallback) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::atoi(value) : fallback;
}

class ScannerProcess {
public:
    ScannerProcess(const fs::path& home, const std::string& kind, int lines) {
        std::vector<std::string> args = {STANDIN_SCANNER, "stream", kind, std::to_string(lines),
                                         "2"};
        if (environmentNumber("STRESS_NO_LOCK", 0) != 0) {
            args.emplace_back("--no-lock");
        }
        std::vector<char*> argv;
        for (auto& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        std::string homeVariable = "HOME=" + home.string();
        std::array<char*, 2> environment{homeVariable.data(), nullptr};
        EXPECT_EQ(::posix_spawn(&m_pid, STANDIN_SCANNER, nullptr, nullptr, argv.data(),
                                environment.data()),
                  0);
    }
    ScannerProcess(const ScannerProcess&) = delete;
    ScannerProcess& operator=(const ScannerProcess&) = delete;
    ~ScannerProcess() {
        if (running()) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }

    bool running() {
        if (m_pid <= 0) {
            return false;
        }
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the scanner failed";
            m_pid = 0;
        }
        return m_pid > 0;
    }

private:
    pid_t m_pid = 0;
};

std::set<std::string> expectedLines(const std::string& prefix, int lines) {
    std::set<std::string> expected;
    for (int i = 0; i < lines; ++i) {
        expected.insert(prefix + std::to_string(i));
    }
    return expected;
}

class ReportStressTest : public AgentFixture {};

}  // namespace

TEST_F(ReportStressTest, everyAppendedLineIsShownExactlyOnceAndThenRemoved) {
    const int lines = environmentNumber("STRESS_LINES", 1000);
    setUsbProtection(true);
    start();
    ScannerProcess threatScanner(home.path(), "threat", lines);
    ScannerProcess usbScanner(home.path(), "usb", lines);

    std::vector<std::string> shownThreats;
    std::vector<std::string> shownDevices;
    size_t handledUsbViews = 0;
    int quietRounds = 0;
    // Runs until both scanners are done and a few rounds have passed with nothing on screen.
    while (quietRounds < 6) {
        runLoop.advance(0.5);
        bool busy = threatScanner.running() || usbScanner.running();
        if (manager->isPopoverOpen()) {
            shownThreats.push_back(manager->threatOnShow()->location);
            views.threatViews.back().closePopover();
            busy = true;
        }
        for (; handledUsbViews < views.usbViews.size(); ++handledUsbViews) {
            auto& view = views.usbViews[handledUsbViews];
            shownDevices.push_back(view.pathUsb);
            // Alternate between the two ways a user dismisses a device.
            if (handledUsbViews % 2 == 0) {
                manager->requestUsbScan("User3Scan");
                manager->removeUsbInfoFromFile(view.pathUsb);
            }
            view.closePopover();
            busy = true;
        }
        busy = busy || !manager->detectedThreats().empty();
        quietRounds = busy ? 0 : quietRounds + 1;
    }

    const std::set<std::string> threatsShown(shownThreats.begin(), shownThreats.end());
    const std::set<std::string> devicesShown(shownDevices.begin(), shownDevices.end());
    EXPECT_EQ(threatsShown.size(), shownThreats.size()) << "a threat was shown twice";
    EXPECT_EQ(devicesShown.size(), shownDevices.size()) << "a device was shown twice";
    EXPECT_EQ(threatsShown, expectedLines("/Users/stress/Downloads/file-", lines));
    EXPECT_EQ(devicesShown, expectedLines("USB Disk ", lines));
    EXPECT_EQ(readBytes(threatsFile()), "");
    EXPECT_EQ(readBytes(usbFile()), "");
}

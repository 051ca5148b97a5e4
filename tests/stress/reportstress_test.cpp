// Real scanner processes append distinct lines to both report files while the agent shows and
// dismisses every popover as fast as its clock allows: each line is shown once, then removed.
// STRESS_LINES sets the lines per file (default 1000); with STRESS_NO_LOCK set the scanners skip
// the advisory lock.
#include "fakes/agentfixture.h"

#include <cstdlib>
#include <future>
#include <set>

TEST_F(AgentFixture, everyAppendedLineIsShownOnceAndThenRemoved) {
    const int lines = std::getenv("STRESS_LINES") ? std::atoi(std::getenv("STRESS_LINES")) : 1000;
    const std::string command = "export HOME='" + home.path().string() +
                                "'; for kind in threat usb; do '" STANDIN_SCANNER
                                "' stream $kind ${STRESS_LINES:-1000} 2 --prefix /stress/"
                                " ${STRESS_NO_LOCK:+--no-lock} & done; wait";
    setUsbProtection(true);
    start();
    auto scanners = std::async(std::launch::async, [&] { return std::system(command.c_str()); });
    std::multiset<std::string> shown;
    std::size_t handled = 0;
    // Until the scanners are done and a few rounds have passed with nothing new on screen: longer
    // than the agent takes to open the next threat popover.
    for (int quietRounds = 0; quietRounds < 6;) {
        runLoop.advance(0.5);
        bool busy = scanners.wait_for(std::chrono::seconds(0)) != std::future_status::ready;
        for (; handled < popovers.made.size(); ++handled, busy = true) {
            const auto made = popovers.made[handled];
            if (made->threatView) {
                shown.insert("threat " + made->threatView->threatOnShow()->location);
                made->threatView->closePopover();
            } else if (made->usbView) {
                shown.insert("device " + made->usbView->pathUsb);
                // Both ways a user dismisses a device, in turn.
                (handled % 2 == 0 ? made->usbView->scanNow : made->usbView->closePopover)();
            }
        }
        quietRounds = busy ? 0 : quietRounds + 1;
    }
    EXPECT_EQ(readBytes(threatsFile()) + readBytes(usbFile()), "") << "all removed";
    EXPECT_EQ(shown.size(), 2U * lines);
    for (int i = 0; i < lines; ++i) {
        for (const std::string line : {"threat /stress/", "device /stress/"}) {
            ASSERT_EQ(shown.count(line + std::to_string(i)), 1U) << "times shown: " << line << i;
        }
    }
}

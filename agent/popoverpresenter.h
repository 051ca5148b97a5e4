#pragma once

#include "agent/observable.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class Console;
class Popover;
class PopoverFactory;
class RunLoop;
class StatusItem;
class ThreatQueue;

// Opens, closes and paces the threat popover and the USB popovers under the status item.
class PopoverPresenter final {
public:
    // A flood of devices waits in the report file beyond this many USB popovers on screen.
    static constexpr std::size_t kMaxUsbPopovers = 5;

    // What the presenter needs from the rest of the agent.
    struct Services {
        std::function<bool()> usbProtectionOn;
        std::function<StatusItem*()> statusItem;
        std::function<void()> acknowledgeFirstThreat;
        std::function<void(const std::string&)> removeUsbLine;
        std::function<void(const std::string&)> forgetUsbLine;
        std::function<void()> openQuarantineList;
        std::function<void()> requestUsbScan;
        Binding<std::string> selectedView;
    };

    PopoverPresenter(ThreatQueue& threats, PopoverFactory& popovers, RunLoop& runLoop,
                     Console& console, Services services);

    void openRealTimeProtectionView();
    void closeRealTimeProtectionPopover(Popover& popover);
    void reopenRealTimeProtectionViewIfNeeded();
    void openUsbProtectionView(const std::string& usbName);
    void closeUsbProtectionPopover(const std::string& usbName);

    bool isPopoverOpen() const { return m_isPopoverOpen; }
    Popover* usbPopover() const { return m_usbPopover.get(); }
    // How many more USB popovers may open now.
    std::size_t usbRoom() const;

private:
    void closeUsbPopovers(const std::string& usbName);
    void showUnderStatusItem(Popover& popover) const;

    ThreatQueue& m_threats;
    PopoverFactory& m_popovers;
    RunLoop& m_runLoop;
    Console& m_console;
    Services m_services;
    bool m_isPopoverOpen = false;
    // Kept only so that the popover outlives its own close action; never reused.
    std::unique_ptr<Popover> m_threatPopover;
    std::unique_ptr<Popover> m_usbPopover;
    std::string m_usbPopoverDevice;
    // Popovers a newer device replaced while they were still on screen, with their device.
    std::vector<std::pair<std::string, std::unique_ptr<Popover>>> m_replacedUsbPopovers;
};

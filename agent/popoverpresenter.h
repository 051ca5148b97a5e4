#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class Console;
class HelperManager;
class Popover;
class PopoverFactory;
class PopoverViewFactory;
class RunLoop;
struct Threat;

// Opens, closes and paces the threat popover and the USB popovers under the status item.
class PopoverPresenter final {
public:
    PopoverPresenter(HelperManager& manager, PopoverFactory& popovers, PopoverViewFactory& views,
                     RunLoop& runLoop, Console& console);

    void openRealTimeProtectionView();
    void closeRealTimeProtectionPopover(Popover& popover);
    void reopenRealTimeProtectionViewIfNeeded();
    void openUsbProtectionView(const std::string& usbName);
    void closeUsbProtectionPopover(const std::string& usbName);

    bool isPopoverOpen() const { return m_isPopoverOpen; }
    // The record a threat popover shows now: the oldest one the user has not closed yet, which
    // is the one its Close acknowledges. Null when every waiting record is already closed.
    const Threat* threatOnShow() const;
    Popover* usbPopover() const { return m_usbPopover.get(); }

private:
    std::unique_ptr<Popover> makeTransientPopover();
    void showUnderStatusItem(Popover& popover);

    HelperManager& m_manager;
    PopoverFactory& m_popovers;
    PopoverViewFactory& m_views;
    RunLoop& m_runLoop;
    Console& m_console;
    bool m_isPopoverOpen = false;
    // Closed popovers whose record is still waiting for its acknowledgement half a second later.
    std::size_t m_pendingAcknowledgements = 0;
    // Kept only so that the popover outlives its own close action; never reused.
    std::unique_ptr<Popover> m_threatPopover;
    std::unique_ptr<Popover> m_usbPopover;
    std::string m_usbPopoverDevice;
    // Popovers a newer device replaced while they were still on screen, with their device.
    std::vector<std::pair<std::string, std::unique_ptr<Popover>>> m_replacedUsbPopovers;
};

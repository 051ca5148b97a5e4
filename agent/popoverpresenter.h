#pragma once

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
    // Kept only so that the popover outlives its own close action; never reused.
    std::unique_ptr<Popover> m_threatPopover;
    std::unique_ptr<Popover> m_usbPopover;
    std::string m_usbPopoverDevice;
    // Popovers a newer device replaced while they were still on screen, with their device.
    std::vector<std::pair<std::string, std::unique_ptr<Popover>>> m_replacedUsbPopovers;
};

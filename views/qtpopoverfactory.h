#pragma once

#include "agent/popoverfactory.h"

class PopoverWindows;

// The agent's popovers: desktop windows showing the views as Qt widgets.
class QtPopoverFactory final : public PopoverFactory {
public:
    explicit QtPopoverFactory(PopoverWindows& windows) : m_windows(windows) {}

    std::unique_ptr<Popover> makePopover() override;
    std::unique_ptr<Popover> makeThreatPopover(ThreatPopoverModel model) override;
    std::unique_ptr<Popover> makeUsbPopover(UsbPopoverModel model) override;

private:
    PopoverWindows& m_windows;
};

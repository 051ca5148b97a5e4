#pragma once

#include "popover.h"
#include "popoverviewfactory.h"
#include "statusbar.h"

// A desktop without a status bar: the menu is built but has nowhere to go, and popovers are
// built but never shown.
class HeadlessDesktop final : public StatusBar, public PopoverFactory, public PopoverViewFactory {
public:
    std::unique_ptr<StatusItem> makeStatusItem() override { return nullptr; }
    bool menuHostsWidgets() const override { return false; }

    std::unique_ptr<Popover> makePopover() override;

    std::unique_ptr<PopoverContent> makeRealTimeProtectionView(
        RealTimeProtectionViewInputs inputs) override;
    std::unique_ptr<PopoverContent> makeUsbProtectionView(UsbProtectionViewInputs inputs) override;
};

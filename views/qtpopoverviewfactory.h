#pragma once

#include "popoverviewfactory.h"

// Builds the popovers' views as Qt widgets.
class QtPopoverViewFactory final : public PopoverViewFactory {
public:
    std::unique_ptr<PopoverContent> makeRealTimeProtectionView(
        RealTimeProtectionViewInputs inputs) override;
    std::unique_ptr<PopoverContent> makeUsbProtectionView(UsbProtectionViewInputs inputs) override;
};

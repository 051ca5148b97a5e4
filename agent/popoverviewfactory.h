#pragma once

#include "observable.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class HelperManager;
class PopoverContent;

// What the threat popover's view is built from.
struct RealTimeProtectionViewInputs {
    HelperManager& statusBarManager;
    Binding<std::string> selectedView;
    // The threat count when the popover opened; it does not follow later changes.
    Binding<std::int64_t> threatsDetected;
    std::function<void()> closePopover;
};

// What a USB popover's view is built from.
struct UsbProtectionViewInputs {
    HelperManager& statusBarManager;
    std::string pathUsb;
    Binding<std::string> selectedView;
    std::function<void()> closePopover;
};

// Builds the views the agent's popovers show.
class PopoverViewFactory {
public:
    PopoverViewFactory() = default;
    PopoverViewFactory(const PopoverViewFactory&) = delete;
    PopoverViewFactory& operator=(const PopoverViewFactory&) = delete;
    virtual ~PopoverViewFactory() = default;

    virtual std::unique_ptr<PopoverContent> makeRealTimeProtectionView(
        RealTimeProtectionViewInputs inputs) = 0;
    virtual std::unique_ptr<PopoverContent> makeUsbProtectionView(
        UsbProtectionViewInputs inputs) = 0;
};

#include "qtpopoverviewfactory.h"

#include "realtimeprotectionview.h"
#include "usbprotectionview.h"
#include "widgetpopovercontent.h"

std::unique_ptr<PopoverContent> QtPopoverViewFactory::makeRealTimeProtectionView(
    RealTimeProtectionViewInputs inputs) {
    return std::make_unique<WidgetPopoverContent>(
        std::make_unique<RealTimeProtectionView>(std::move(inputs)));
}

std::unique_ptr<PopoverContent> QtPopoverViewFactory::makeUsbProtectionView(
    UsbProtectionViewInputs inputs) {
    return std::make_unique<WidgetPopoverContent>(
        std::make_unique<UsbProtectionView>(std::move(inputs)));
}

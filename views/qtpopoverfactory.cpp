#include "views/qtpopoverfactory.h"

#include "platform/desktop/qtpopover.h"
#include "platform/ports/popover.h"
#include "views/realtimeprotectionview.h"
#include "views/usbprotectionview.h"

std::unique_ptr<Popover> QtPopoverFactory::makePopover() {
    return m_windows.makePopover(nullptr);
}

std::unique_ptr<Popover> QtPopoverFactory::makeThreatPopover(ThreatPopoverModel model) {
    return m_windows.makePopover(std::make_unique<RealTimeProtectionView>(std::move(model)));
}

std::unique_ptr<Popover> QtPopoverFactory::makeUsbPopover(UsbPopoverModel model) {
    return m_windows.makePopover(std::make_unique<UsbProtectionView>(std::move(model)));
}

#include "agent/popoverpresenter.h"

#include "agent/popoverfactory.h"
#include "agent/threatqueue.h"
#include "platform/ports/console.h"
#include "platform/ports/popover.h"
#include "platform/ports/runloop.h"
#include "platform/ports/statusbar.h"

#include <algorithm>

namespace {

constexpr double kAcknowledgeDelaySeconds = 0.5;

}  // namespace

PopoverPresenter::PopoverPresenter(ThreatQueue& threats, PopoverFactory& popovers, RunLoop& runLoop,
                                   Console& console, Services services)
    : m_threats(threats),
      m_popovers(popovers),
      m_runLoop(runLoop),
      m_console(console),
      m_services(std::move(services)) {}

void PopoverPresenter::openRealTimeProtectionView() {
    // Records the user closed but that are not acknowledged yet do not open a popover again.
    if (!m_threats.threatOnShow() || m_isPopoverOpen) {
        return;
    }
    m_isPopoverOpen = true;
    auto close = std::make_shared<std::function<void()>>();
    m_threatPopover = m_popovers.makeThreatPopover({
        .threatOnShow = [this] { return m_threats.threatOnShow(); },
        .changed = m_threats.objectWillChange(),
        .selectedView = m_services.selectedView,
        .threatsDetected = Binding<std::int64_t>::constant(m_threats.count()),
        .view = m_services.openQuarantineList,
        .closePopover = [close] { (*close)(); },
    });
    m_threatPopover->setTransient();
    Popover& popover = *m_threatPopover;
    *close = [this, &popover] { closeRealTimeProtectionPopover(popover); };
    // A popover the platform dismisses (a click on the tray icon, Escape) is closed like its
    // Close button, so the agent never waits for a popover that is no longer on screen.
    popover.setDismissHandler(*close);
    showUnderStatusItem(popover);
}

void PopoverPresenter::closeRealTimeProtectionPopover(Popover& popover) {
    // Only the open popover's first close counts: a second one would acknowledge a threat
    // the user has not seen yet.
    if (!m_isPopoverOpen || &popover != m_threatPopover.get()) {
        return;
    }
    popover.performClose();
    m_isPopoverOpen = false;
    m_threats.closeShown();
    m_runLoop.postAfter(kAcknowledgeDelaySeconds, m_services.acknowledgeFirstThreat);
}

void PopoverPresenter::reopenRealTimeProtectionViewIfNeeded() {
    if (m_threats.threatOnShow()) {
        openRealTimeProtectionView();
    }
}

std::size_t PopoverPresenter::usbRoom() const {
    const auto shown = static_cast<std::size_t>(
        std::ranges::count_if(m_replacedUsbPopovers,
                              [](const auto& entry) { return entry.second->isShown(); }) +
        (m_usbPopover && m_usbPopover->isShown() ? 1 : 0));
    return kMaxUsbPopovers - std::min(shown, kMaxUsbPopovers);
}

void PopoverPresenter::openUsbProtectionView(const std::string& usbName) {
    if (!m_services.usbProtectionOn()) {
        m_console.printLine("USB Protection disabled, will not open USB protection view.");
        return;
    }
    if (usbName.empty()) {
        return;
    }
    // The popover replaced here stays on screen, under the new one, until it is closed or
    // dismissed; the feed opens no more than kMaxUsbPopovers at a time.
    std::erase_if(m_replacedUsbPopovers,
                  [](const auto& entry) { return !entry.second->isShown(); });
    if (m_usbPopover && m_usbPopover->isShown()) {
        m_replacedUsbPopovers.emplace_back(m_usbPopoverDevice, std::move(m_usbPopover));
    }
    m_usbPopoverDevice = usbName;
    m_usbPopover = m_popovers.makeUsbPopover({
        .pathUsb = usbName,
        .selectedView = m_services.selectedView,
        .scanNow =
            [this, usbName] {
                m_services.requestUsbScan();
                m_services.removeUsbLine(usbName);
                closeUsbPopovers(usbName);
                m_services.forgetUsbLine(usbName);
            },
        .closePopover = [this, usbName] { closeUsbProtectionPopover(usbName); },
    });
    m_usbPopover->setTransient();
    showUnderStatusItem(*m_usbPopover);
}

void PopoverPresenter::closeUsbProtectionPopover(const std::string& usbName) {
    closeUsbPopovers(usbName);
    m_services.removeUsbLine(usbName);
    m_services.forgetUsbLine(usbName);
}

void PopoverPresenter::closeUsbPopovers(const std::string& usbName) {
    if (m_usbPopover) {
        m_usbPopover->performClose();
    }
    // The view whose button was pressed goes too, even when a newer device replaced it, so no
    // popover is left on screen that only a click elsewhere could close.
    for (const auto& [device, popover] : m_replacedUsbPopovers) {
        if (device == usbName) {
            popover->performClose();
        }
    }
}

void PopoverPresenter::showUnderStatusItem(Popover& popover) const {
    StatusItem* anchor = m_services.statusItem();
    if (anchor != nullptr && anchor->hasButton()) {
        popover.showAt(anchor->anchorRect());
    }
}

#include "popoverpresenter.h"

#include "console.h"
#include "helpermanager.h"
#include "popover.h"
#include "popoverviewfactory.h"
#include "runloop.h"
#include "statusbar.h"

namespace {

constexpr double kAcknowledgeDelaySeconds = 0.5;
constexpr std::size_t kMaxReplacedUsbPopovers = 4;

}  // namespace

PopoverPresenter::PopoverPresenter(HelperManager& manager, PopoverFactory& popovers,
                                   PopoverViewFactory& views, RunLoop& runLoop, Console& console)
    : m_manager(manager),
      m_popovers(popovers),
      m_views(views),
      m_runLoop(runLoop),
      m_console(console) {}

void PopoverPresenter::openRealTimeProtectionView() {
    // Records the user closed but that are not acknowledged yet do not open a popover again.
    if (threatOnShow() == nullptr || m_isPopoverOpen) {
        return;
    }
    m_isPopoverOpen = true;
    m_threatPopover = makeTransientPopover();
    Popover& popover = *m_threatPopover;
    auto close = [this, &popover] { closeRealTimeProtectionPopover(popover); };
    // A popover the platform dismisses (click outside, Escape) is closed like its Close button,
    // so the agent never waits for a popover that is no longer on screen.
    popover.setDismissHandler(close);
    popover.setContent(m_views.makeRealTimeProtectionView({
        .statusBarManager = m_manager,
        .selectedView = m_manager.selectedView().binding(),
        .threatsDetected = Binding<std::int64_t>::constant(m_manager.threatsDetectedCount()),
        .closePopover = close,
    }));
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
    ++m_pendingAcknowledgements;
    m_runLoop.postAfter(kAcknowledgeDelaySeconds, [this] {
        --m_pendingAcknowledgements;
        m_manager.acknowledgeFirstThreat();
    });
}

const Threat* PopoverPresenter::threatOnShow() const {
    const auto& threats = m_manager.detectedThreats();
    return threats.size() > m_pendingAcknowledgements ? &threats[m_pendingAcknowledgements]
                                                      : nullptr;
}

void PopoverPresenter::reopenRealTimeProtectionViewIfNeeded() {
    if (threatOnShow() != nullptr) {
        openRealTimeProtectionView();
    }
}

void PopoverPresenter::openUsbProtectionView(const std::string& usbName) {
    if (!m_manager.readSettings().usbProtection) {
        m_console.printLine("USB Protection disabled, will not open USB protection view.");
        return;
    }
    if (usbName.empty()) {
        return;
    }
    // The popover replaced here stays on screen, under the new one, until it is closed or
    // dismissed. Only the newest few stay: a report file full of devices must not open a window
    // for each. The oldest is closed without taking its line out of the file.
    std::erase_if(m_replacedUsbPopovers,
                  [](const auto& entry) { return !entry.second->isShown(); });
    if (m_usbPopover && m_usbPopover->isShown()) {
        m_replacedUsbPopovers.emplace_back(m_usbPopoverDevice, std::move(m_usbPopover));
    }
    if (m_replacedUsbPopovers.size() > kMaxReplacedUsbPopovers) {
        m_replacedUsbPopovers.front().second->performClose();
        m_replacedUsbPopovers.erase(m_replacedUsbPopovers.begin());
    }
    m_usbPopover = makeTransientPopover();
    m_usbPopoverDevice = usbName;
    m_usbPopover->setContent(m_views.makeUsbProtectionView({
        .statusBarManager = m_manager,
        .pathUsb = usbName,
        .selectedView = m_manager.selectedView().binding(),
        .closePopover = [this, usbName] { closeUsbProtectionPopover(usbName); },
    }));
    showUnderStatusItem(*m_usbPopover);
}

void PopoverPresenter::closeUsbProtectionPopover(const std::string& usbName) {
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
    m_manager.removeUsbInfoFromFile(usbName);
    m_manager.forgetUsbInfo(usbName);
}

std::unique_ptr<Popover> PopoverPresenter::makeTransientPopover() {
    auto popover = m_popovers.makePopover();
    popover->setTransient();
    return popover;
}

void PopoverPresenter::showUnderStatusItem(Popover& popover) {
    StatusItem* anchor = m_manager.statusItem();
    if (anchor != nullptr && anchor->hasButton()) {
        popover.showRelativeTo(*anchor);
    }
}

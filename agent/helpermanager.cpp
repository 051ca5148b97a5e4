#include "helpermanager.h"

#include "console.h"
#include "popover.h"
#include "productlocations.h"
#include "runloop.h"
#include "statusbar.h"
#include "statusmenu.h"

namespace {

constexpr double kReportPollIntervalSeconds = 1.0;
constexpr double kReopenDelaySeconds = 0.5;

}  // namespace

HelperManager::HelperManager(const HelperPorts& ports)
    : m_runLoop(ports.runLoop),
      m_console(ports.console),
      m_settings(ports.system.homeDirectory, ports.console),
      m_protection(ports.processLauncher, m_settings, ports.console, ports.system.homeDirectory,
                   ports.system.realUserId),
      m_handoff(ports.workspace, ports.preferences, ports.runLoop, ports.console),
      m_threatFeed(ReportFile(ports.system.homeDirectory, ProductLocations::kThreatReportFile),
                   ports.runLoop, [this](const std::string& line) { handleThreatEntry(line); }),
      m_usbFeed(ReportFile(ports.system.homeDirectory, ProductLocations::kUsbReportFile),
                ports.runLoop,
                [this](const std::string& line) { openUsbProtectionViewWithUsbName(line); }),
      m_presenter(*this, ports.popovers, ports.views, ports.runLoop, ports.console) {
    m_runLoop.scheduleRepeating(kReportPollIntervalSeconds, [this] {
        loadThreats();
        loadUsbInfo();
    });
    m_statusItem = StatusMenu::setupStatusItem(
        ports.statusBar, m_settings,
        StatusMenu::controlStyleFor(ports.statusBar.menuHostsWidgets(), ports.system.isMacOS,
                                    ports.system.osVersion),
        *this);
    m_popover = ports.popovers.makePopover();
    m_popover->setTransient();
}

HelperManager::~HelperManager() = default;

const std::unordered_set<std::string>& HelperManager::processedThreats() const {
    return m_threatFeed.processed();
}

const std::unordered_set<std::string>& HelperManager::processedUsbInfo() const {
    return m_usbFeed.processed();
}

bool HelperManager::isPopoverOpen() const {
    return m_presenter.isPopoverOpen();
}

Popover* HelperManager::usbPopover() const {
    return m_presenter.usbPopover();
}

void HelperManager::togglePopover() {
    if (m_statusItem == nullptr || !m_statusItem->hasButton() || m_popover == nullptr) {
        return;
    }
    if (m_popover->isShown()) {
        m_popover->performClose();
    } else {
        m_popover->showRelativeTo(*m_statusItem);
    }
}

void HelperManager::toggleRealTimeProtection(int controlState) {
    m_protection.toggleRealTimeProtection(controlState);
}

void HelperManager::toggleRealTimeProtectionCheckbox(int controlState) {
    m_protection.toggleRealTimeProtection(controlState);
}

void HelperManager::toggleUsbProtection(int controlState) {
    m_protection.toggleUsbProtection(controlState);
}

void HelperManager::toggleUsbProtectionCheckbox(int controlState) {
    m_protection.toggleUsbProtection(controlState);
}

void HelperManager::loadThreats() {
    m_threatFeed.load();
}

void HelperManager::loadUsbInfo() {
    if (!m_settings.readSettings().usbProtection) {
        m_console.printLine("USB Protection is OFF, skipping USB info load.");
        return;
    }
    m_usbFeed.load();
}

void HelperManager::handleThreatEntry(const std::string& line) {
    m_runLoop.post([this, threat = Threat::fromReportLine(line)]() mutable {
        addDetectedThreat(std::move(threat));
    });
}

void HelperManager::addDetectedThreat(Threat threat) {
    m_detectedThreats.push_back(std::move(threat));
    setThreatsDetectedCount(static_cast<std::int64_t>(m_detectedThreats.size()));
    if (!isPopoverOpen()) {
        openRealTimeProtectionView();
    }
}

void HelperManager::acknowledgeFirstThreat() {
    if (m_detectedThreats.empty()) {
        return;
    }
    const std::string location = std::move(m_detectedThreats.front().location);
    m_detectedThreats.pop_front();
    setThreatsDetectedCount(static_cast<std::int64_t>(m_detectedThreats.size()));
    m_threatFeed.forget(location);
    removeThreatFromFile(location);
    m_runLoop.postAfter(kReopenDelaySeconds, [this] { reopenRealTimeProtectionViewIfNeeded(); });
}

void HelperManager::removeThreatFromFile(const std::string& line) {
    if (const auto error = m_threatFeed.file().removeEntry(line)) {
        m_console.printLine("Failed to update threats file: " + *error);
    }
}

void HelperManager::removeUsbInfoFromFile(const std::string& line) {
    if (const auto error = m_usbFeed.file().removeEntry(line)) {
        m_console.printLine("Failed to update USB file: " + *error);
    }
}

void HelperManager::forgetUsbInfo(const std::string& line) {
    m_usbFeed.forget(line);
}

void HelperManager::openRealTimeProtectionView() {
    m_presenter.openRealTimeProtectionView();
}

void HelperManager::closeRealTimeProtectionPopover(Popover& popover) {
    m_presenter.closeRealTimeProtectionPopover(popover);
}

void HelperManager::reopenRealTimeProtectionViewIfNeeded() {
    m_presenter.reopenRealTimeProtectionViewIfNeeded();
}

void HelperManager::openUsbProtectionViewWithUsbName(const std::string& usbName) {
    m_presenter.openUsbProtectionView(usbName);
}

void HelperManager::closeUsbProtectionPopover(const std::string& usbName) {
    m_presenter.closeUsbProtectionPopover(usbName);
}

void HelperManager::openApp() {
    m_handoff.openApp();
}

void HelperManager::openMainApp(const std::string& selectedView) {
    m_handoff.openMainApp(selectedView);
}

void HelperManager::requestUsbScan(const std::string& selectedView) {
    m_handoff.requestUsbScan(selectedView);
}

void HelperManager::setThreatsDetectedCount(std::int64_t count) {
    m_threatsDetectedCount = count;
    // Observers that read on the first announcement see the old count; this one follows the store.
    m_objectWillChange.send();
}

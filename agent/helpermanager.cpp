#include "agent/helpermanager.h"

#include "agent/popoverfactory.h"
#include "agent/statusmenu.h"
#include "control/productlocations.h"
#include "platform/ports/console.h"
#include "platform/ports/filesystem.h"
#include "platform/ports/popover.h"
#include "platform/ports/runloop.h"
#include "platform/ports/statusbar.h"

namespace {

constexpr double kReportPollIntervalSeconds = 1.0;
constexpr double kReopenDelaySeconds = 0.5;

ReportFile reportFile(const HelperPorts& ports, std::string_view name) {
    return {ports.files, ports.runLoop,
            ProductLocations::dataFile(ports.system.homeDirectory, name)};
}

}  // namespace

HelperManager::HelperManager(const HelperPorts& ports)
    : m_runLoop(ports.runLoop),
      m_console(ports.console),
      m_files(ports.files),
      m_settings(ports.system.homeDirectory, ports.files, ports.runLoop, ports.console),
      m_protection(ports.processLauncher, m_settings, ports.console, ports.system.homeDirectory,
                   ports.system.realUserId),
      m_handoff(ports.workspace, ports.preferences, ports.runLoop, ports.console),
      m_processedUsbInfo(
          [this] { return m_presenter.usbRoom(); },
          [this](const std::string& line) { openUsbProtectionViewWithUsbName(line); }),
      m_threatFeed(reportFile(ports, ProductLocations::kThreatReportFile), ports.runLoop,
                   m_threats),
      m_usbFeed(reportFile(ports, ProductLocations::kUsbReportFile), ports.runLoop,
                m_processedUsbInfo),
      m_presenter(
          m_threats, ports.popovers, ports.runLoop, ports.console,
          {
              .usbProtectionOn = [this] { return m_settings.readSettings().usbProtection; },
              .statusItem = [this] { return m_statusItem.get(); },
              .acknowledgeFirstThreat = [this] { acknowledgeFirstThreat(); },
              .removeUsbLine = [this](const std::string& line) { removeUsbInfoFromFile(line); },
              .forgetUsbLine = [this](const std::string& line) { forgetUsbInfo(line); },
              .openQuarantineList = [this] { openMainApp("UserQuarantineList"); },
              .requestUsbScan = [this] { requestUsbScan("User3Scan"); },
              .selectedView = m_selectedView.binding(),
          }) {
    // An interrupted replace of an earlier run left its temporary files beside the targets.
    for (const auto name : {ProductLocations::kThreatReportFile, ProductLocations::kUsbReportFile,
                            ProductLocations::kSettingsFile}) {
        m_files.removeLeftovers(ProductLocations::dataFile(ports.system.homeDirectory, name));
    }
    m_threats.setAddedHandler([this] {
        if (!isPopoverOpen()) {
            openRealTimeProtectionView();
        }
    });
    m_runLoop.scheduleRepeating(kReportPollIntervalSeconds, [this] {
        m_threatFeed.file().carryOverLateAppends();
        m_usbFeed.file().carryOverLateAppends();
        loadThreats();
        loadUsbInfo();
    });
    m_statusItem = StatusMenu::setupStatusItem(
        ports.statusBar, m_settings,
        StatusMenu::controlStyleFor(ports.statusBar.menuHostsWidgets(), ports.system.isMacOS,
                                    ports.system.osVersion),
        {
            .togglePopover = [this] { togglePopover(); },
            .toggleRealTimeProtection = [this](int state) { toggleRealTimeProtection(state); },
            .toggleRealTimeProtectionCheckbox =
                [this](int state) { toggleRealTimeProtectionCheckbox(state); },
            .toggleUsbProtection = [this](int state) { toggleUsbProtection(state); },
            .toggleUsbProtectionCheckbox =
                [this](int state) { toggleUsbProtectionCheckbox(state); },
            .openApp = [this] { openApp(); },
        });
    m_popover = ports.popovers.makePopover();
    m_popover->setTransient();
}

HelperManager::~HelperManager() = default;

void HelperManager::togglePopover() {
    if (m_statusItem == nullptr || !m_statusItem->hasButton() || m_popover == nullptr) {
        return;
    }
    if (m_popover->isShown()) {
        m_popover->performClose();
    } else {
        m_popover->showAt(m_statusItem->anchorRect());
    }
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

void HelperManager::acknowledgeFirstThreat() {
    const auto location = m_threats.acknowledgeFirst();
    if (!location) {
        return;
    }
    m_threatFeed.lookAgain();
    removeThreatFromFile(*location);
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

void HelperManager::reopenRealTimeProtectionViewIfNeeded() {
    m_presenter.reopenRealTimeProtectionViewIfNeeded();
}

void HelperManager::openUsbProtectionViewWithUsbName(const std::string& usbName) {
    m_presenter.openUsbProtectionView(usbName);
}

void HelperManager::forgetUsbInfo(const std::string& line) {
    m_processedUsbInfo.forget(line);
    m_usbFeed.lookAgain();
}

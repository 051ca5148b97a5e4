#pragma once

#include "agent/observable.h"
#include "agent/popoverpresenter.h"
#include "agent/reportfeed.h"
#include "agent/reportledger.h"
#include "agent/threatqueue.h"
#include "control/mainapphandoff.h"
#include "control/protectionswitcher.h"
#include "control/settingsfile.h"
#include "platform/ports/systeminfo.h"

#include <cstdint>
#include <memory>
#include <string>

class Console;
class FileSystem;
class Popover;
class PopoverFactory;
class PreferencesStore;
class ProcessLauncher;
class RunLoop;
class StatusBar;
class StatusItem;
class Workspace;

// Everything the agent needs from the operating system.
struct HelperPorts {
    RunLoop& runLoop;
    Console& console;
    FileSystem& files;
    ProcessLauncher& processLauncher;
    Workspace& workspace;
    PreferencesStore& preferences;
    StatusBar& statusBar;
    PopoverFactory& popovers;
    SystemInfo system;
};

// The agent: its state, the status item, the report feeds and the popovers. Constructing it
// starts the agent; it lives until the process ends. It owns the collaborators that do the work
// and forwards to them.
class HelperManager final {
public:
    explicit HelperManager(const HelperPorts& ports);
    HelperManager(const HelperManager&) = delete;
    HelperManager& operator=(const HelperManager&) = delete;
    ~HelperManager();

    // The process's one manager on the real platform, created on first use.
    static HelperManager& shared();

    ChangeSignal& objectWillChange() { return m_threats.objectWillChange(); }
    const ThreatQueue& detectedThreats() const { return m_threats; }
    std::int64_t threatsDetectedCount() const { return m_threats.count(); }
    const ProcessedLines& processedUsbInfo() const { return m_processedUsbInfo; }
    bool isPopoverOpen() const { return m_presenter.isPopoverOpen(); }
    StateCell<std::string>& selectedView() { return m_selectedView; }
    StatusItem* statusItem() const { return m_statusItem.get(); }
    Popover* popover() const { return m_popover.get(); }
    Popover* usbPopover() const { return m_presenter.usbPopover(); }

    // Status item and menu.
    void togglePopover();
    void toggleRealTimeProtection(int state) { m_protection.toggleRealTimeProtection(state); }
    void toggleRealTimeProtectionCheckbox(int state) {
        m_protection.toggleRealTimeProtection(state);
    }
    void toggleUsbProtection(int state) { m_protection.toggleUsbProtection(state); }
    void toggleUsbProtectionCheckbox(int state) { m_protection.toggleUsbProtection(state); }

    // Report feeds, run once a second.
    void loadThreats();
    void loadUsbInfo();
    void acknowledgeFirstThreat();
    void removeThreatFromFile(const std::string& line);
    void removeUsbInfoFromFile(const std::string& line);

    // Popovers.
    void openRealTimeProtectionView() { m_presenter.openRealTimeProtectionView(); }
    void reopenRealTimeProtectionViewIfNeeded();
    void openUsbProtectionViewWithUsbName(const std::string& usbName);
    void closeUsbProtectionPopover(const std::string& usbName) {
        m_presenter.closeUsbProtectionPopover(usbName);
    }

    // Settings and the main application.
    ProtectionSettings readSettings() const { return m_settings.readSettings(); }
    void openApp() { m_handoff.openApp(); }
    void openMainApp(const std::string& selectedView) { m_handoff.openMainApp(selectedView); }
    void requestUsbScan(const std::string& selectedView) { m_handoff.requestUsbScan(selectedView); }

private:
    void forgetUsbInfo(const std::string& line);

    RunLoop& m_runLoop;
    Console& m_console;
    FileSystem& m_files;
    SettingsFile m_settings;
    ProtectionSwitcher m_protection;
    MainAppHandoff m_handoff;
    StateCell<std::string> m_selectedView{"StatusDashboard"};
    ThreatQueue m_threats;
    ProcessedLines m_processedUsbInfo;
    ReportFeed m_threatFeed;
    ReportFeed m_usbFeed;
    std::unique_ptr<StatusItem> m_statusItem;
    PopoverPresenter m_presenter;
    std::unique_ptr<Popover> m_popover;
};

#pragma once

#include "mainapphandoff.h"
#include "observable.h"
#include "popoverpresenter.h"
#include "protectionswitcher.h"
#include "reportfeed.h"
#include "settingsfile.h"
#include "systeminfo.h"
#include "threat.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <unordered_set>

class Console;
class PopoverFactory;
class PopoverViewFactory;
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
    ProcessLauncher& processLauncher;
    Workspace& workspace;
    PreferencesStore& preferences;
    StatusBar& statusBar;
    PopoverFactory& popovers;
    PopoverViewFactory& views;
    SystemInfo system;
};

// The agent: its state, the status item, the report feeds and the popovers. Constructing it
// starts the agent; it lives until the process ends.
class HelperManager final {
public:
    explicit HelperManager(const HelperPorts& ports);
    HelperManager(const HelperManager&) = delete;
    HelperManager& operator=(const HelperManager&) = delete;
    ~HelperManager();

    // The process's one manager on the real platform, created on first use.
    static HelperManager& shared();

    ChangeSignal& objectWillChange() { return m_objectWillChange; }
    const std::unordered_set<std::string>& processedThreats() const;
    const std::unordered_set<std::string>& processedUsbInfo() const;
    bool isPopoverOpen() const;
    // The record the threat popover shows: the oldest one not yet closed by the user.
    const Threat* threatOnShow() const { return m_presenter.threatOnShow(); }
    StateCell<std::string>& selectedView() { return m_selectedView; }
    std::int64_t threatsDetectedCount() const { return m_threatsDetectedCount.get(); }
    const std::deque<Threat>& detectedThreats() const { return m_detectedThreats; }
    StatusItem* statusItem() const { return m_statusItem.get(); }
    Popover* popover() const { return m_popover.get(); }
    Popover* usbPopover() const;

    // Status item and menu.
    void togglePopover();
    void toggleRealTimeProtection(int controlState);
    void toggleRealTimeProtectionCheckbox(int controlState);
    void toggleUsbProtection(int controlState);
    void toggleUsbProtectionCheckbox(int controlState);

    // Report feeds, run once a second.
    void loadThreats();
    void loadUsbInfo();
    void handleThreatEntry(const std::string& line);
    void addDetectedThreat(Threat threat);
    void acknowledgeFirstThreat();
    void removeThreatFromFile(const std::string& line);
    void removeUsbInfoFromFile(const std::string& line);
    void forgetUsbInfo(const std::string& line);

    // Popovers.
    void openRealTimeProtectionView();
    void closeRealTimeProtectionPopover(Popover& popover);
    void reopenRealTimeProtectionViewIfNeeded();
    void openUsbProtectionViewWithUsbName(const std::string& usbName);
    void closeUsbProtectionPopover(const std::string& usbName);

    // Settings and the main application.
    ProtectionSettings readSettings() const { return m_settings.readSettings(); }
    void openApp();
    void openMainApp(const std::string& selectedView);
    void requestUsbScan(const std::string& selectedView);

private:
    void setThreatsDetectedCount(std::int64_t count);

    RunLoop& m_runLoop;
    Console& m_console;
    SettingsFile m_settings;
    ProtectionSwitcher m_protection;
    MainAppHandoff m_handoff;
    ChangeSignal m_objectWillChange;
    ReportFeed m_threatFeed;
    ReportFeed m_usbFeed;
    StateCell<std::string> m_selectedView{"StatusDashboard"};
    Published<std::int64_t> m_threatsDetectedCount{m_objectWillChange, 0};
    std::deque<Threat> m_detectedThreats;
    std::unique_ptr<StatusItem> m_statusItem;
    std::unique_ptr<Popover> m_popover;
    PopoverPresenter m_presenter;
};

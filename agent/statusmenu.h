#pragma once

#include <array>
#include <functional>
#include <memory>

class SettingsFile;
class StatusBar;
class StatusItem;

// The agent's status item and its menu.
namespace StatusMenu {

enum class ControlStyle { Switches, Checkboxes };

// What the item's button and menu rows do. Protection actions get the control's new state.
struct Actions {
    std::function<void()> togglePopover;
    std::function<void(int)> toggleRealTimeProtection;
    std::function<void(int)> toggleRealTimeProtectionCheckbox;
    std::function<void(int)> toggleUsbProtection;
    std::function<void(int)> toggleUsbProtectionCheckbox;
    std::function<void()> openApp;
};

// Switch rows need a menu that can hold widgets and, on macOS, a system of 11 or later.
ControlStyle controlStyleFor(bool menuHostsWidgets, bool isMacOS, std::array<int, 3> osVersion);

// Creates the status item with its icon, button action and menu; the protection controls show
// the settings as stored now. Null when the desktop has no status bar (the menu is dropped).
std::unique_ptr<StatusItem> setupStatusItem(StatusBar& statusBar, const SettingsFile& settings,
                                            ControlStyle style, Actions actions);

}  // namespace StatusMenu

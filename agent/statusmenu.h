#pragma once

#include <array>
#include <memory>

class HelperManager;
class SettingsFile;
class StatusBar;
class StatusItem;

// The agent's status item and its menu.
namespace StatusMenu {

enum class ControlStyle { Switches, Checkboxes };

// Switch rows need a menu that can hold widgets and, on macOS, a system of 11 or later.
ControlStyle controlStyleFor(bool menuHostsWidgets, bool isMacOS, std::array<int, 3> osVersion);

// Creates the status item with its icon, button action and menu; the protection controls show
// the settings as stored now. Null when the desktop has no status bar (the menu is dropped).
std::unique_ptr<StatusItem> setupStatusItem(StatusBar& statusBar, const SettingsFile& settings,
                                            ControlStyle style, HelperManager& manager);

}  // namespace StatusMenu

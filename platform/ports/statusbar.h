#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

// One row of the status item's menu, built by the agent and drawn by the platform.
struct MenuItem {
    enum class Kind { ProtectionSwitch, ProtectionCheckbox, Separator, Command };

    Kind kind = Kind::Separator;
    std::string title;
    bool on = false;
    std::string keyEquivalent;
    // Protection controls: called with the control's new state (1 on, 0 off).
    std::function<void(int)> toggled;
    // Commands: called when the item is chosen.
    std::function<void()> triggered;
};

using Menu = std::vector<MenuItem>;

// A rectangle on the screen, in device-independent pixels.
struct ScreenRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool operator==(const ScreenRect&) const = default;
};

// The agent's icon in the system status bar.
class StatusItem {
public:
    StatusItem() = default;
    StatusItem(const StatusItem&) = delete;
    StatusItem& operator=(const StatusItem&) = delete;
    virtual ~StatusItem() = default;

    // Whether the item has a clickable button that popovers can hang from.
    virtual bool hasButton() const = 0;
    // Where popovers hang from: the button's rectangle on the screen.
    virtual ScreenRect anchorRect() const = 0;
    // Shows the image asset `assetName` on the button; a missing asset leaves it blank.
    virtual void setButtonImage(const std::string& assetName) = 0;
    // Runs `action` when the button is clicked and no menu is attached.
    virtual void setButtonAction(std::function<void()> action) = 0;
    // Attaches `menu`; a click on the button then opens it.
    virtual void setMenu(Menu menu) = 0;
};

// The system status bar.
class StatusBar {
public:
    StatusBar() = default;
    StatusBar(const StatusBar&) = delete;
    StatusBar& operator=(const StatusBar&) = delete;
    virtual ~StatusBar() = default;

    // A new item of variable length, or null when the desktop has no status bar.
    virtual std::unique_ptr<StatusItem> makeStatusItem() = 0;
    // Whether the menu can hold widgets (switch rows) rather than only plain items.
    virtual bool menuHostsWidgets() const = 0;
};

#include "agent/statusmenu.h"

#include "control/settingsfile.h"
#include "platform/ports/statusbar.h"

namespace {

MenuItem protectionControl(StatusMenu::ControlStyle style, const char* title, bool on,
                           std::function<void(int)> switchAction,
                           std::function<void(int)> checkboxAction) {
    const bool switches = style == StatusMenu::ControlStyle::Switches;
    MenuItem item;
    item.kind = switches ? MenuItem::Kind::ProtectionSwitch : MenuItem::Kind::ProtectionCheckbox;
    item.title = title;
    item.on = on;
    item.toggled = switches ? std::move(switchAction) : std::move(checkboxAction);
    return item;
}

MenuItem separator() {
    MenuItem item;
    item.kind = MenuItem::Kind::Separator;
    return item;
}

MenuItem command(const char* title, const char* keyEquivalent, std::function<void()> action) {
    MenuItem item;
    item.kind = MenuItem::Kind::Command;
    item.title = title;
    item.keyEquivalent = keyEquivalent;
    item.triggered = std::move(action);
    return item;
}

}  // namespace

StatusMenu::ControlStyle StatusMenu::controlStyleFor(bool menuHostsWidgets, bool isMacOS,
                                                     std::array<int, 3> osVersion) {
    constexpr std::array<int, 3> kFirstWithSwitches{11, 0, 0};
    const bool systemHasSwitches = !isMacOS || osVersion >= kFirstWithSwitches;
    return menuHostsWidgets && systemHasSwitches ? ControlStyle::Switches
                                                 : ControlStyle::Checkboxes;
}

std::unique_ptr<StatusItem> StatusMenu::setupStatusItem(StatusBar& statusBar,
                                                        const SettingsFile& settings,
                                                        ControlStyle style, Actions actions) {
    auto statusItem = statusBar.makeStatusItem();
    if (statusItem && statusItem->hasButton()) {
        statusItem->setButtonImage("Corvane.menu.icon");
        statusItem->setButtonAction(std::move(actions.togglePopover));
    }

    Menu menu;
    // Each control shows the flag from its own read of the settings file.
    menu.push_back(protectionControl(style, "Real Time Protection",
                                     settings.readSettings().realTimeProtection,
                                     std::move(actions.toggleRealTimeProtection),
                                     std::move(actions.toggleRealTimeProtectionCheckbox)));
    menu.push_back(separator());
    menu.push_back(protectionControl(style, "USB Protection", settings.readSettings().usbProtection,
                                     std::move(actions.toggleUsbProtection),
                                     std::move(actions.toggleUsbProtectionCheckbox)));
    menu.push_back(separator());
    menu.push_back(command("Open Corvane Antivirus", "O", std::move(actions.openApp)));
    menu.push_back(separator());

    if (statusItem) {
        statusItem->setMenu(std::move(menu));
    }
    return statusItem;
}

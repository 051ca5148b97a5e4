#pragma once

#include "platform/desktop/trayhostwatch.h"
#include "platform/ports/statusbar.h"

#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>
#include <optional>

class StatusNotifierItem;
class TrayMenu;

// The agent's icon in the desktop's system tray: a StatusNotifier item of its own where a host
// on the session bus shows such items, else Qt's icon in an XEmbed tray.
class QtStatusItem final : public QObject, public StatusItem {
    Q_OBJECT

public:
    // `onInteraction` runs whenever the user clicks the icon, before anything opens. The icon goes
    // into `host`'s tray at once, or into the first tray host that comes up later.
    QtStatusItem(TrayHostWatch::Host host, std::function<void()> onInteraction);
    QtStatusItem(const QtStatusItem&) = delete;
    QtStatusItem& operator=(const QtStatusItem&) = delete;
    ~QtStatusItem() override;

    bool hasButton() const override { return true; }
    // The icon's rectangle where the tray tells it, else where the tray host says the user last
    // clicked it, else the tray end of the screen's panel, else the screen's top right corner.
    ScreenRect anchorRect() const override;
    void setButtonImage(const std::string& assetName) override;
    void setButtonAction(std::function<void()> action) override;
    void setMenu(Menu menu) override;

    // Puts the icon into `host`'s tray. Qt sends its icon to the host that is up when the icon
    // is created, so this waits until there is one.
    void attachTo(TrayHostWatch::Host host);

private:
    void activated(QSystemTrayIcon::ActivationReason reason);
    void installMenu();
    QIcon image() const;

    TrayHostWatch m_hosts;
    QIcon m_image;
    std::optional<Menu> m_pendingMenu;
    std::unique_ptr<TrayMenu> m_menu;
    // Null until a tray host is up; one of the two then. Declared after the menu so they go first.
    std::unique_ptr<QSystemTrayIcon> m_tray;
    std::unique_ptr<StatusNotifierItem> m_item;
    std::function<void()> m_buttonAction;
    std::function<void()> m_onInteraction;
};

// The system tray; it has no status items on a display-less platform.
class QtStatusBar final : public StatusBar {
public:
    explicit QtStatusBar(std::function<void()> onInteraction);

    // Null on platforms without a display (offscreen, minimal). Elsewhere the item is created
    // even while no tray host runs yet: its icon appears as soon as one starts.
    std::unique_ptr<StatusItem> makeStatusItem() override;
    // A tray that shows Qt's own menu can hold switch rows; a menu served over D-Bus to a
    // StatusNotifier host cannot carry widgets.
    bool menuHostsWidgets() const override;

private:
    // The tray host found at start-up, asked once for the menu's style and the item.
    TrayHostWatch::Host hostAtStart() const;

    std::function<void()> m_onInteraction;
    mutable std::optional<TrayHostWatch::Host> m_hostAtStart;
};

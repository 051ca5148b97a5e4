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

class TrayMenu;

// The agent's icon in the desktop's system tray.
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
    // The icon, else where the user last clicked it, else the top right corner of the primary
    // screen.
    ScreenRect anchorRect() const override;
    void setButtonImage(const std::string& assetName) override;
    void setButtonAction(std::function<void()> action) override;
    void setMenu(Menu menu) override;

    // Puts the icon into `host`'s tray, its menu drawn as that host can show it. Qt sends the icon
    // to the host that is up when the icon is created, so this waits until there is one.
    void attachTo(TrayHostWatch::Host host);

private:
    void activated(QSystemTrayIcon::ActivationReason reason);
    void installMenu();

    TrayHostWatch m_hosts;
    QIcon m_image;
    std::optional<Menu> m_pendingMenu;
    bool m_menuHostsWidgets = true;
    std::unique_ptr<TrayMenu> m_menu;
    // Null until a tray host is up. Declared after the menu so it goes first.
    std::unique_ptr<QSystemTrayIcon> m_tray;
    std::function<void()> m_buttonAction;
    std::function<void()> m_onInteraction;
    std::optional<QPoint> m_lastInteraction;
};

// The system tray; it has no status items on a display-less platform.
class QtStatusBar final : public StatusBar {
public:
    explicit QtStatusBar(std::function<void()> onInteraction);

    // Null on platforms without a display (offscreen, minimal). Elsewhere the item is created
    // even while no tray host runs yet: its icon appears as soon as one starts.
    std::unique_ptr<StatusItem> makeStatusItem() override;
    // A tray that shows Qt's own menu can hold switch rows; a menu exported over D-Bus to a
    // StatusNotifier host cannot carry widgets.
    bool menuHostsWidgets() const override;

private:
    // The tray host found at start-up, asked once for the menu's style and the item.
    TrayHostWatch::Host hostAtStart() const;

    std::function<void()> m_onInteraction;
    mutable std::optional<TrayHostWatch::Host> m_hostAtStart;
};

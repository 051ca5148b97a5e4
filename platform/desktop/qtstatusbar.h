#pragma once

#include "platform/ports/statusbar.h"

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
    // `onInteraction` runs whenever the user clicks the icon, before anything opens.
    explicit QtStatusItem(std::function<void()> onInteraction);
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

private:
    void activated(QSystemTrayIcon::ActivationReason reason);

    QSystemTrayIcon m_tray;
    std::unique_ptr<TrayMenu> m_menu;
    std::function<void()> m_buttonAction;
    std::function<void()> m_onInteraction;
    std::optional<QPoint> m_lastInteraction;
};

// The system tray; it has no status items on a display-less platform.
class QtStatusBar final : public StatusBar {
public:
    explicit QtStatusBar(std::function<void()> onInteraction);

    // Null on platforms without a display (offscreen, minimal). Elsewhere the icon is created
    // even while no tray host runs yet: it appears as soon as one starts.
    std::unique_ptr<StatusItem> makeStatusItem() override;
    // A tray that shows Qt's own menu can hold switch rows; a menu exported over D-Bus to a
    // StatusNotifier host cannot carry widgets.
    bool menuHostsWidgets() const override;

private:
    std::function<void()> m_onInteraction;
};

#include "platform/desktop/qtstatusbar.h"

#include "platform/desktop/assetcatalog.h"
#include "platform/desktop/traymenu.h"

#include <QCursor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QGuiApplication>
#include <QScreen>

namespace {

bool hasDisplay() {
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

// Qt hands the icon to a StatusNotifier host whenever a watcher is registered on the session bus.
bool statusNotifierWatcherPresent() {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface() != nullptr &&
           bus.interface()->isServiceRegistered(QStringLiteral("org.kde.StatusNotifierWatcher"));
}

}  // namespace

QtStatusItem::QtStatusItem(std::function<void()> onInteraction)
    : m_onInteraction(std::move(onInteraction)) {
    m_tray.setToolTip(QStringLiteral("Corvane Antivirus"));
    connect(&m_tray, &QSystemTrayIcon::activated, this, &QtStatusItem::activated);
}

QtStatusItem::~QtStatusItem() = default;

void QtStatusItem::setButtonImage(const std::string& assetName) {
    m_tray.setIcon(AssetCatalog::icon(assetName));
    if (!m_tray.icon().isNull()) {
        m_tray.show();
    }
}

void QtStatusItem::setButtonAction(std::function<void()> action) {
    m_buttonAction = std::move(action);
}

void QtStatusItem::setMenu(Menu menu) {
    m_menu = std::make_unique<TrayMenu>(std::move(menu));
    m_tray.setContextMenu(m_menu.get());
}

ScreenRect QtStatusItem::anchorRect() const {
    const QRect icon = m_tray.geometry();
    if (icon.isValid() && !icon.isEmpty()) {
        return {icon.x(), icon.y(), icon.width(), icon.height()};
    }
    const QPoint point = m_lastInteraction
                             ? *m_lastInteraction
                             : QGuiApplication::primaryScreen()->availableGeometry().topRight();
    return {point.x(), point.y(), 1, 1};
}

void QtStatusItem::activated(QSystemTrayIcon::ActivationReason reason) {
    m_lastInteraction = QCursor::pos();
    if (m_onInteraction) {
        m_onInteraction();
    }
    if (reason != QSystemTrayIcon::Trigger) {
        return;  // the tray opens the context menu itself
    }
    // A status item with a menu opens it on any click.
    if (m_menu) {
        const QRect icon = m_tray.geometry();
        m_menu->popup(icon.isValid() && !icon.isEmpty() ? icon.bottomLeft() : QCursor::pos());
    } else if (m_buttonAction) {
        m_buttonAction();
    }
}

QtStatusBar::QtStatusBar(std::function<void()> onInteraction)
    : m_onInteraction(std::move(onInteraction)) {}

std::unique_ptr<StatusItem> QtStatusBar::makeStatusItem() {
    if (!hasDisplay()) {
        return nullptr;
    }
    return std::make_unique<QtStatusItem>(m_onInteraction);
}

bool QtStatusBar::menuHostsWidgets() const {
    return hasDisplay() && !statusNotifierWatcherPresent();
}

#include "platform/desktop/qtstatusbar.h"

#include "platform/desktop/assetcatalog.h"
#include "platform/desktop/traymenu.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

namespace {

bool hasDisplay() {
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

// Stands in for a missing image: the item keeps its place and its menu, and Qt shows a tray icon
// only when it has one.
QIcon blankIcon() {
    constexpr int kSide = 22;
    QPixmap blank(kSide, kSide);
    blank.fill(Qt::transparent);
    return QIcon{blank};
}

}  // namespace

QtStatusItem::QtStatusItem(TrayHostWatch::Host host, std::function<void()> onInteraction)
    : m_onInteraction(std::move(onInteraction)) {
    if (host != TrayHostWatch::Host::None) {
        attachTo(host);
        return;
    }
    connect(&m_hosts, &TrayHostWatch::appeared, this, &QtStatusItem::attachTo);
    m_hosts.start();
}

QtStatusItem::~QtStatusItem() = default;

void QtStatusItem::attachTo(TrayHostWatch::Host host) {
    if (m_tray) {
        return;
    }
    m_menuHostsWidgets = host != TrayHostWatch::Host::StatusNotifier;
    m_tray = std::make_unique<QSystemTrayIcon>(this);
    connect(m_tray.get(), &QSystemTrayIcon::activated, this, &QtStatusItem::activated);
    m_tray->setIcon(m_image.isNull() ? blankIcon() : m_image);
    installMenu();
    m_tray->show();
}

void QtStatusItem::setButtonImage(const std::string& assetName) {
    m_image = AssetCatalog::icon(assetName);
    if (m_tray) {
        m_tray->setIcon(m_image.isNull() ? blankIcon() : m_image);
    }
}

void QtStatusItem::setButtonAction(std::function<void()> action) {
    m_buttonAction = std::move(action);
}

void QtStatusItem::setMenu(Menu menu) {
    m_pendingMenu = std::move(menu);
    installMenu();
}

void QtStatusItem::installMenu() {
    if (!m_tray || !m_pendingMenu) {
        return;
    }
    m_menu = std::make_unique<TrayMenu>(std::move(*m_pendingMenu), m_menuHostsWidgets);
    m_pendingMenu.reset();
    m_tray->setContextMenu(m_menu.get());
}

ScreenRect QtStatusItem::anchorRect() const {
    const QRect icon = m_tray ? m_tray->geometry() : QRect();
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
        const QRect icon = m_tray->geometry();
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
    return std::make_unique<QtStatusItem>(hostAtStart(), m_onInteraction);
}

bool QtStatusBar::menuHostsWidgets() const {
    return hasDisplay() && hostAtStart() != TrayHostWatch::Host::StatusNotifier;
}

TrayHostWatch::Host QtStatusBar::hostAtStart() const {
    if (!m_hostAtStart) {
        m_hostAtStart = TrayHostWatch::present();
    }
    return *m_hostAtStart;
}

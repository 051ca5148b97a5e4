#include "platform/desktop/qtstatusbar.h"

#include "platform/desktop/assetcatalog.h"
#include "platform/desktop/popoverplacement.h"
#include "platform/desktop/statusnotifieritem.h"
#include "platform/desktop/traymenu.h"

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

// The screen that holds the tray: the one the host's last click was on, else the first with a
// panel, the primary screen first.
ScreenArea trayScreen(std::optional<QPoint> hostPosition) {
    QList<QScreen*> screens = QGuiApplication::screens();
    screens.removeOne(QGuiApplication::primaryScreen());
    screens.prepend(QGuiApplication::primaryScreen());
    const QScreen* tray = screens.front();
    for (const QScreen* screen : screens) {
        if (hostPosition ? screen->geometry().contains(*hostPosition)
                         : screen->availableGeometry() != screen->geometry()) {
            tray = screen;
            break;
        }
    }
    return {tray->geometry(), tray->availableGeometry()};
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

QIcon QtStatusItem::image() const {
    return m_image.isNull() ? blankIcon() : m_image;
}

void QtStatusItem::attachTo(TrayHostWatch::Host host) {
    if (m_tray || m_item) {
        return;
    }
    if (host == TrayHostWatch::Host::StatusNotifier) {
        m_item = std::make_unique<StatusNotifierItem>();
        connect(m_item.get(), &StatusNotifierItem::clicked, this, [this] {
            if (m_onInteraction) {
                m_onInteraction();
            }
        });
        m_item->setIcon(image());
    } else {
        m_tray = std::make_unique<QSystemTrayIcon>(this);
        connect(m_tray.get(), &QSystemTrayIcon::activated, this, &QtStatusItem::activated);
        m_tray->setIcon(image());
    }
    installMenu();
    if (m_tray) {
        m_tray->show();
    }
}

void QtStatusItem::setButtonImage(const std::string& assetName) {
    m_image = AssetCatalog::icon(assetName);
    if (m_tray) {
        m_tray->setIcon(image());
    }
    if (m_item) {
        m_item->setIcon(image());
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
    if (!m_pendingMenu) {
        return;
    }
    // The StatusNotifier item goes on the bus only with its whole menu, so no host reads a part.
    if (m_item) {
        m_item->publish(std::move(*m_pendingMenu));
        m_pendingMenu.reset();
    } else if (m_tray) {
        m_menu = std::make_unique<TrayMenu>(std::move(*m_pendingMenu));
        m_pendingMenu.reset();
        m_tray->setContextMenu(m_menu.get());
    }
}

ScreenRect QtStatusItem::anchorRect() const {
    QRect anchor = m_tray ? m_tray->geometry() : QRect();
    if (!anchor.isValid() || anchor.isEmpty()) {
        const auto hostPosition = m_item ? m_item->lastHostPosition() : std::nullopt;
        anchor = trayAnchor(hostPosition, trayScreen(hostPosition));
    }
    return {anchor.x(), anchor.y(), anchor.width(), anchor.height()};
}

void QtStatusItem::activated(QSystemTrayIcon::ActivationReason reason) {
    if (m_onInteraction) {
        m_onInteraction();
    }
    if (reason != QSystemTrayIcon::Trigger) {
        return;  // the tray opens the context menu itself
    }
    // A status item with a menu opens it on any click, at the icon.
    if (m_menu) {
        m_menu->popup(m_tray->geometry().bottomLeft());
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

#include "platform/desktop/statusnotifieritem.h"

#include "platform/desktop/dbusmenuexporter.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusServiceWatcher>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QtEndian>

#include <atomic>

namespace {

const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kItemPath = QStringLiteral("/StatusNotifierItem");
const QString kMenuPath = QStringLiteral("/MenuBar");
// The sizes hosts draw tray icons at; each picks the closest.
constexpr int kIconSides[] = {16, 22, 24, 32, 48, 64};

DBusImage imageOf(const QIcon& icon, int side) {
    const QImage argb =
        icon.pixmap(QSize(side, side)).toImage().convertToFormat(QImage::Format_ARGB32);
    DBusImage image{argb.width(), argb.height(), {}};
    image.pixels.resize(static_cast<qsizetype>(argb.sizeInBytes()));
    auto* out = reinterpret_cast<quint32*>(image.pixels.data());
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const quint32*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            *out++ = qToBigEndian(line[x]);  // hosts read the pixels in network byte order
        }
    }
    return image;
}

// A host passes the pointer in the display's own pixels; the agent places windows in
// device-independent ones. Each screen keeps its origin and is scaled from there.
std::optional<QPoint> devicePoint(int x, int y) {
    if (x == 0 && y == 0) {
        return std::nullopt;  // hosts that know no position pass the origin
    }
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect logical = screen->geometry();
        const qreal ratio = screen->devicePixelRatio();
        const QRect native(logical.topLeft(), logical.size() * ratio);
        if (native.contains(x, y)) {
            return logical.topLeft() + (QPoint(x, y) - logical.topLeft()) / ratio;
        }
    }
    return QPoint(x, y);
}

}  // namespace

StatusNotifierItem::StatusNotifierItem(QObject* parent)
    : QObject(parent), m_watcherService(new QDBusServiceWatcher(this)) {
    registerDBusTrayTypes();
    static std::atomic<int> items{0};
    m_service = QStringLiteral("org.kde.StatusNotifierItem-%1-%2")
                    .arg(QCoreApplication::applicationPid())
                    .arg(++items);
}

StatusNotifierItem::~StatusNotifierItem() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterObject(kItemPath);
    bus.unregisterObject(kMenuPath);
    bus.unregisterService(m_service);
}

QDBusObjectPath StatusNotifierItem::menu() {
    return QDBusObjectPath(kMenuPath);
}

void StatusNotifierItem::publish(Menu menu) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    m_menu = new DBusMenuExporter(std::move(menu), this);
    connect(m_menu, &DBusMenuExporter::opening, this, &StatusNotifierItem::clicked);
    const auto exported =
        QDBusConnection::ExportScriptableContents | QDBusConnection::ExportAllProperties;
    bus.registerObject(kMenuPath, m_menu, exported);
    bus.registerObject(kItemPath, this, exported);
    bus.registerService(m_service);
    // A watcher that comes up later, or again after its panel restarted, learns of the item anew.
    m_watcherService->setConnection(bus);
    m_watcherService->setWatchMode(QDBusServiceWatcher::WatchForRegistration);
    m_watcherService->addWatchedService(kWatcherService);
    connect(m_watcherService, &QDBusServiceWatcher::serviceRegistered, this,
            &StatusNotifierItem::registerWithWatcher);
    registerWithWatcher();
}

void StatusNotifierItem::registerWithWatcher() {
    // Not waited for: a watcher that does not answer must not hold up the agent.
    QDBusConnection::sessionBus().asyncCall(
        QDBusMessage::createMethodCall(kWatcherService, QStringLiteral("/StatusNotifierWatcher"),
                                       kWatcherService,
                                       QStringLiteral("RegisterStatusNotifierItem"))
        << m_service);
}

void StatusNotifierItem::setIcon(const QIcon& icon) {
    m_pixmaps.clear();
    for (const int side : kIconSides) {
        m_pixmaps.append(imageOf(icon, side));
    }
    emit NewIcon();
}

void StatusNotifierItem::ContextMenu(int x, int y) {
    clickedAt(x, y);
}

void StatusNotifierItem::Activate(int x, int y) {
    clickedAt(x, y);
}

void StatusNotifierItem::SecondaryActivate(int x, int y) {
    clickedAt(x, y);
}

void StatusNotifierItem::Scroll(int /*delta*/, const QString& /*orientation*/) {}

void StatusNotifierItem::clickedAt(int x, int y) {
    if (const auto point = devicePoint(x, y)) {
        m_hostPosition = point;
    }
    emit clicked();
}

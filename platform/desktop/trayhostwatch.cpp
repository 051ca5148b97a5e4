#include "platform/desktop/trayhostwatch.h"

#include "platform/desktop/xcbreply.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>

#include <cstdlib>
#include <string>

namespace {

const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
constexpr int kPollMilliseconds = 1000;
// A watcher that does not answer within this time is taken as absent for now.
constexpr int kWatcherReplyMilliseconds = 500;

bool watcherRegistered(const QDBusConnection& bus) {
    return bus.isConnected() && bus.interface() != nullptr &&
           bus.interface()->isServiceRegistered(kWatcherService);
}

// Qt's own test before it hands an icon to the session bus: the watcher says a host registered.
QDBusMessage hostRegisteredQuery() {
    QDBusMessage get = QDBusMessage::createMethodCall(
        kWatcherService, QStringLiteral("/StatusNotifierWatcher"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << kWatcherService << QStringLiteral("IsStatusNotifierHostRegistered");
    return get;
}

bool saysHostRegistered(const QDBusMessage& reply) {
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant().toBool();
}

// An XEmbed tray owns the selection _NET_SYSTEM_TRAY_S<screen> of the X display.
bool xembedTrayPresent() {
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection =
        x11 != nullptr && QGuiApplication::platformName() == "xcb" ? x11->connection() : nullptr;
    char* host = nullptr;
    int display = 0;
    int screen = 0;
    if (connection == nullptr || xcb_parse_display(nullptr, &host, &display, &screen) == 0) {
        return false;
    }
    std::free(host);  // NOLINT(cppcoreguidelines-no-malloc): xcb allocates it with malloc
    const xcb_atom_t selection =
        internAtom(connection, "_NET_SYSTEM_TRAY_S" + std::to_string(screen));
    if (selection == XCB_ATOM_NONE) {
        return false;
    }
    const XcbReply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, selection), nullptr));
    return owner != nullptr && owner->owner != XCB_NONE;
}

}  // namespace

TrayHostWatch::Host TrayHostWatch::present() {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    const bool statusNotifier =
        watcherRegistered(bus) && saysHostRegistered(bus.call(hostRegisteredQuery(), QDBus::Block,
                                                              kWatcherReplyMilliseconds));
    return hostGiven(statusNotifier);
}

TrayHostWatch::Host TrayHostWatch::hostGiven(bool statusNotifierHostRegistered) {
    if (statusNotifierHostRegistered) {
        return Host::StatusNotifier;
    }
    return xembedTrayPresent() ? Host::XEmbed : Host::None;
}

TrayHostWatch::TrayHostWatch(QObject* parent)
    : QObject(parent), m_watcherService(new QDBusServiceWatcher(this)) {
    m_poll.setInterval(kPollMilliseconds);
    connect(&m_poll, &QTimer::timeout, this, &TrayHostWatch::check);
    connect(m_watcherService, &QDBusServiceWatcher::serviceRegistered, this, &TrayHostWatch::check);
}

void TrayHostWatch::start() {
    m_watcherService->setConnection(QDBusConnection::sessionBus());
    m_watcherService->setWatchMode(QDBusServiceWatcher::WatchForRegistration);
    m_watcherService->addWatchedService(kWatcherService);
    m_poll.start();
}

void TrayHostWatch::check() {
    if (m_asking) {
        return;  // the watcher has not answered the last question yet
    }
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!watcherRegistered(bus)) {
        found(hostGiven(false));
        return;
    }
    // Asked without waiting: a watcher that does not answer must not hold up the agent's loop.
    m_asking = true;
    auto* call = new QDBusPendingCallWatcher(
        bus.asyncCall(hostRegisteredQuery(), kWatcherReplyMilliseconds), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this, call] {
        call->deleteLater();
        m_asking = false;
        found(hostGiven(saysHostRegistered(call->reply())));
    });
}

void TrayHostWatch::found(Host host) {
    if (host == Host::None) {
        return;  // a watcher whose host has not registered yet is looked at again by the poll
    }
    m_poll.stop();
    m_watcherService->removeWatchedService(kWatcherService);
    emit appeared(host);
}

#include "platform/desktop/trayhostwatch.h"

#include "platform/desktop/xcbreply.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QGuiApplication>

#include <cstdlib>
#include <string>

namespace {

const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
constexpr int kPollMilliseconds = 1000;

// The desktop's StatusNotifier watcher is up. Its host may register only later (the panel starts
// after the watcher at login); the item waits registered with the watcher until a host reads it.
bool watcherRegistered() {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface() != nullptr &&
           bus.interface()->isServiceRegistered(kWatcherService);
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
    // A desktop whose StatusNotifier host also holds the XEmbed tray (or proxies it into
    // StatusNotifier items) gets the item: its host then draws the menu and knows where the icon
    // is.
    if (watcherRegistered()) {
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
    const Host host = present();
    if (host == Host::None) {
        return;
    }
    m_poll.stop();
    m_watcherService->removeWatchedService(kWatcherService);
    emit appeared(host);
}

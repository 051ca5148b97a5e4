#include "platform/desktop/sessionlockwatch.h"

#include "platform/desktop/xcbreply.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>

#include <xcb/screensaver.h>

#include <array>

namespace {

// The screen saver services of the session bus, in the order of the first two sources. Each
// names its interface after itself.
struct SaverService {
    QString name;
    QString path;
};
const std::array kSavers{
    SaverService{QStringLiteral("org.freedesktop.ScreenSaver"),
                 QStringLiteral("/org/freedesktop/ScreenSaver")},
    SaverService{QStringLiteral("org.gnome.ScreenSaver"), QStringLiteral("/org/gnome/ScreenSaver")},
};

const QString kLogind = QStringLiteral("org.freedesktop.login1");
const QString kLogindSession = QStringLiteral("org.freedesktop.login1.Session");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kLockedHint = QStringLiteral("LockedHint");

xcb_connection_t* x11Connection() {
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr && QGuiApplication::platformName() == "xcb" ? x11->connection() : nullptr;
}

// The server's screen saver is on, or cycles through its pictures.
bool saverRuns(std::uint8_t state) {
    return state == XCB_SCREENSAVER_STATE_ON || state == XCB_SCREENSAVER_STATE_CYCLE;
}

bool answered(const QDBusMessage& reply) {
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty();
}

}  // namespace

SessionLockWatch::SessionLockWatch(QObject* parent)
    : QObject(parent), m_saverOwners(new QDBusServiceWatcher(this)) {}

SessionLockWatch::~SessionLockWatch() {
    if (m_root != 0) {
        QCoreApplication::instance()->removeNativeEventFilter(this);
    }
}

void SessionLockWatch::start() {
    QDBusConnection session = QDBusConnection::sessionBus();
    if (session.isConnected()) {
        m_saverOwners->setConnection(session);
        m_saverOwners->setWatchMode(QDBusServiceWatcher::WatchForOwnerChange);
        for (std::size_t source = 0; source < kSavers.size(); ++source) {
            // Any path: some services announce on more than one.
            session.connect(kSavers[source].name, QString(), kSavers[source].name,
                            QStringLiteral("ActiveChanged"), this, SLOT(busSignal(QDBusMessage)));
            m_saverOwners->addWatchedService(kSavers[source].name);
            askScreenSaver(static_cast<Source>(source));
        }
        // A service that ends while active took its saver along; a new one is asked anew.
        connect(m_saverOwners, &QDBusServiceWatcher::serviceOwnerChanged, this,
                [this](const QString& name, const QString&, const QString& owner) {
                    const Source source =
                        name == kSavers[GnomeSaver].name ? GnomeSaver : FreedesktopSaver;
                    if (owner.isEmpty()) {
                        set(source, false);
                    } else {
                        askScreenSaver(source);
                    }
                });
    }
    watchLogind();
    watchX11();
}

void SessionLockWatch::set(Source source, bool locked) {
    const bool was = isLocked();
    m_locked.set(source, locked);
    if (isLocked() != was) {
        emit lockedChanged(isLocked());
    }
}

void SessionLockWatch::whenAnswered(const QDBusPendingCall& call,
                                    const std::function<void(const QDBusMessage&)>& done) {
    auto* watcher = new QDBusPendingCallWatcher(call, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [watcher, done] {
        watcher->deleteLater();
        done(watcher->reply());
    });
}

void SessionLockWatch::askScreenSaver(Source source) {
    const SaverService& saver = kSavers[source];
    QDBusMessage ask = QDBusMessage::createMethodCall(saver.name, saver.path, saver.name,
                                                      QStringLiteral("GetActive"));
    ask.setAutoStartService(false);  // asking must not start a screen saver the desktop lacks
    whenAnswered(QDBusConnection::sessionBus().asyncCall(ask), [this, source](const auto& reply) {
        if (answered(reply)) {
            set(source, reply.arguments().constFirst().toBool());
        }
    });
}

void SessionLockWatch::watchLogind() {
    const QDBusConnection system = QDBusConnection::systemBus();
    if (!system.isConnected()) {
        return;
    }
    // "auto" is the agent's own session, or else its user's graphical one: an agent started as a
    // user service is in no session of its own.
    const QString id = qEnvironmentVariable("XDG_SESSION_ID", QStringLiteral("auto"));
    QDBusMessage find = QDBusMessage::createMethodCall(
        kLogind, QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("GetSession"));
    find << id;
    whenAnswered(system.asyncCall(find), [this](const QDBusMessage& reply) {
        if (!answered(reply)) {
            return;  // no session of logind's: a source the desktop does not have
        }
        m_sessionPath = qvariant_cast<QDBusObjectPath>(reply.arguments().constFirst()).path();
        QDBusConnection::systemBus().connect(kLogind, m_sessionPath, kProperties,
                                             QStringLiteral("PropertiesChanged"), this,
                                             SLOT(busSignal(QDBusMessage)));
        askLockedHint();
    });
}

void SessionLockWatch::askLockedHint() {
    QDBusMessage get =
        QDBusMessage::createMethodCall(kLogind, m_sessionPath, kProperties, QStringLiteral("Get"));
    get << kLogindSession << kLockedHint;
    whenAnswered(QDBusConnection::systemBus().asyncCall(get), [this](const QDBusMessage& reply) {
        if (answered(reply)) {
            set(Logind,
                qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant().toBool());
        }
    });
}

void SessionLockWatch::busSignal(const QDBusMessage& message) {
    const QVariantList arguments = message.arguments();
    if (message.member() == QLatin1String("ActiveChanged") && !arguments.isEmpty()) {
        set(message.interface() == kSavers[GnomeSaver].name ? GnomeSaver : FreedesktopSaver,
            arguments.constFirst().toBool());
    } else if (arguments.size() == 3 && arguments.constFirst().toString() == kLogindSession) {
        const auto changed = qdbus_cast<QVariantMap>(arguments.at(1));
        if (changed.contains(kLockedHint)) {
            set(Logind, changed.value(kLockedHint).toBool());
        } else if (arguments.at(2).toStringList().contains(kLockedHint)) {
            askLockedHint();
        }
    }
}

void SessionLockWatch::watchX11() {
    xcb_connection_t* connection = x11Connection();
    if (connection == nullptr) {
        return;
    }
    char* host = nullptr;
    int display = 0;
    int screenNumber = 0;
    if (xcb_parse_display(nullptr, &host, &display, &screenNumber) == 0) {
        return;
    }
    std::free(host);  // NOLINT(cppcoreguidelines-no-malloc): xcb allocates it with malloc
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem > 1; ++i) {
        xcb_screen_next(&screens);
    }
    m_root = screens.data->root;
    // A locker on X keeps its state in a root-window property: its first value is the atom LOCK
    // while it locks, BLANK while it only blanks, 0 otherwise. Its changes come as events on the
    // root window, which the agent already listens to.
    m_statusAtom = internAtom(connection, "_SCREENSAVER_STATUS");
    m_lockAtom = internAtom(connection, "LOCK");
    m_blankAtom = internAtom(connection, "BLANK");
    const XcbReply<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(
        connection, xcb_get_window_attributes(connection, m_root), nullptr));
    const std::uint32_t mask =
        (attributes != nullptr ? attributes->your_event_mask : 0) | XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(connection, m_root, XCB_CW_EVENT_MASK, &mask);
    // The server's own screen saver: the one that screen savers and lockers driven by idleness
    // turn on.
    const xcb_query_extension_reply_t* saver =
        xcb_get_extension_data(connection, &xcb_screensaver_id);
    if (saver != nullptr && saver->present != 0) {
        m_saverEvent = saver->first_event;
        xcb_screensaver_select_input(connection, m_root, XCB_SCREENSAVER_EVENT_NOTIFY_MASK);
        const XcbReply<xcb_screensaver_query_info_reply_t> info(xcb_screensaver_query_info_reply(
            connection, xcb_screensaver_query_info(connection, m_root), nullptr));
        set(XServerSaver, info != nullptr && saverRuns(info->state));
    }
    QCoreApplication::instance()->installNativeEventFilter(this);
    readLockerStatus();
}

void SessionLockWatch::readLockerStatus() {
    xcb_connection_t* connection = x11Connection();
    const XcbReply<xcb_get_property_reply_t> status(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, m_root, m_statusAtom, XCB_ATOM_INTEGER, 0, 1),
        nullptr));
    const bool hasValue = status != nullptr && status->format == 32 &&
                          xcb_get_property_value_length(status.get()) >= 4;
    const auto first =
        hasValue ? *static_cast<const std::uint32_t*>(xcb_get_property_value(status.get())) : 0;
    set(XLocker, first != 0 && (first == m_lockAtom || first == m_blankAtom));
}

bool SessionLockWatch::nativeEventFilter(const QByteArray& eventType, void* message,
                                         qintptr* /*result*/) {
    if (eventType != "xcb_generic_event_t") {
        return false;
    }
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const auto type = static_cast<std::uint8_t>(event->response_type & ~0x80U);
    if (type == XCB_PROPERTY_NOTIFY) {
        const auto* property = static_cast<const xcb_property_notify_event_t*>(message);
        if (property->window == m_root && property->atom == m_statusAtom) {
            readLockerStatus();
        }
    } else if (m_saverEvent != 0 && type == m_saverEvent + XCB_SCREENSAVER_NOTIFY) {
        const auto* notify = static_cast<const xcb_screensaver_notify_event_t*>(message);
        set(XServerSaver, saverRuns(notify->state));
    }
    return false;  // the agent's own handling of the event goes on
}

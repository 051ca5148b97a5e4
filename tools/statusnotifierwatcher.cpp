// A bare StatusNotifierWatcher on the session bus, so tests can see the agent export its tray icon.
// Prints "registered <service> <path>" for each item that registers.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QStringList>

#include <cstdio>

namespace {

const QString kService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kPath = QStringLiteral("/StatusNotifierWatcher");
const QString kDefaultItemPath = QStringLiteral("/StatusNotifierItem");

class Watcher final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredItems)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)

public:
    explicit Watcher(const QDBusConnection& bus) : m_owners(this) {
        m_owners.setConnection(bus);
        m_owners.setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
        connect(&m_owners, &QDBusServiceWatcher::serviceUnregistered, this, &Watcher::ownerGone);
    }

    // Items are listed as "service/path", the form hosts read back.
    QStringList registeredItems() const { return m_items; }
    static bool hostRegistered() { return true; }  // the test stands in for the host
    static int protocolVersion() { return 0; }

    Q_SCRIPTABLE void RegisterStatusNotifierItem(const QString& serviceOrPath) {
        // A bare object path names an object of the caller itself.
        const bool barePath = serviceOrPath.startsWith(QLatin1Char('/'));
        const QString service = barePath ? message().service() : serviceOrPath;
        const QString path = barePath ? serviceOrPath : kDefaultItemPath;
        const QString item = service + path;
        if (m_items.contains(item)) {
            return;
        }
        m_items.append(item);
        m_owners.addWatchedService(service);
        std::printf("registered %s %s\n", qPrintable(service), qPrintable(path));
        std::fflush(stdout);
        emit StatusNotifierItemRegistered(item);
    }

    Q_SCRIPTABLE void RegisterStatusNotifierHost(const QString& /*service*/) {
        emit StatusNotifierHostRegistered();
    }

signals:
    // Each carries the item as "service/path".
    Q_SCRIPTABLE void StatusNotifierItemRegistered(const QString& /*item*/);
    Q_SCRIPTABLE void StatusNotifierItemUnregistered(const QString& /*item*/);
    Q_SCRIPTABLE void StatusNotifierHostRegistered();

private:
    void ownerGone(const QString& service) {
        const QString prefix = service + QLatin1Char('/');
        for (auto it = m_items.begin(); it != m_items.end();) {
            if (it->startsWith(prefix)) {
                const QString item = *it;
                it = m_items.erase(it);
                emit StatusNotifierItemUnregistered(item);
            } else {
                ++it;
            }
        }
        m_owners.removeWatchedService(service);
    }

    QDBusServiceWatcher m_owners;
    QStringList m_items;
};

}  // namespace

int main(int argc, char* argv[]) {
    const QCoreApplication application(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        std::fprintf(stderr, "statusnotifierwatcher: no session bus\n");
        return 1;
    }
    Watcher watcher(bus);
    if (!bus.registerObject(kPath, &watcher, QDBusConnection::ExportScriptableContents)) {
        std::fprintf(stderr, "statusnotifierwatcher: cannot export %s\n", qPrintable(kPath));
        return 1;
    }
    if (!bus.registerService(kService)) {
        std::fprintf(stderr, "statusnotifierwatcher: %s is taken\n", qPrintable(kService));
        return 1;
    }
    return QCoreApplication::exec();
}

#include "statusnotifierwatcher.moc"

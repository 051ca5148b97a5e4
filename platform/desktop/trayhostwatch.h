#pragma once

#include <QObject>
#include <QTimer>

class QDBusServiceWatcher;

// The desktop's tray hosts: an XEmbed system tray on the X display, a StatusNotifier host on the
// session bus. Qt picks the host for a tray icon once, when the icon is created, and never looks
// again; watching lets the icon wait until there is a host to pick.
class TrayHostWatch final : public QObject {
    Q_OBJECT

public:
    enum class Host { None, XEmbed, StatusNotifier };

    // The host a tray icon created now goes to: a StatusNotifier watcher on the session bus wins
    // over an XEmbed tray.
    static Host present();

    explicit TrayHostWatch(QObject* parent = nullptr);

    // Emits `appeared` once, as soon as a host is up.
    void start();

signals:
    void appeared(TrayHostWatch::Host host);

private:
    void check();

    // A child of this object; the session bus stays out of the header.
    QDBusServiceWatcher* m_watcherService = nullptr;
    // An XEmbed tray announces itself only to the root window; a look once a second stands in.
    QTimer m_poll;
};

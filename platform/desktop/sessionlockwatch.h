#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>

#include <bitset>
#include <cstdint>
#include <functional>

class QDBusMessage;
class QDBusPendingCall;
class QDBusServiceWatcher;

// Whether the user's session is locked (or its screen saver runs), as whichever sources the
// desktop has tell it: the screen saver services on the session bus, logind's locked hint of this
// session, and on X11 the server's screen saver and the root-window status a locker keeps. Locked
// while any of them says so. Every source reports by itself: nothing is polled, and no bus call
// is waited for.
class SessionLockWatch final : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT

public:
    explicit SessionLockWatch(QObject* parent = nullptr);
    ~SessionLockWatch() override;
    SessionLockWatch(const SessionLockWatch&) = delete;
    SessionLockWatch& operator=(const SessionLockWatch&) = delete;
    SessionLockWatch(SessionLockWatch&&) = delete;
    SessionLockWatch& operator=(SessionLockWatch&&) = delete;

    bool isLocked() const { return m_locked.any(); }
    // Starts listening and asks each source once.
    void start();

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

signals:
    void lockedChanged(bool locked);

private:
    // A screen saver's or logind's signal; a slot by name, as the bus connects them.
    Q_SLOT void busSignal(const QDBusMessage& message);
    enum Source { FreedesktopSaver, GnomeSaver, Logind, XServerSaver, XLocker, SourceCount };

    void set(Source source, bool locked);
    void askScreenSaver(Source source);
    void watchLogind();
    void askLockedHint();
    void watchX11();
    void readLockerStatus();
    // Runs `done` with the reply of `call` once it comes, without waiting for it.
    void whenAnswered(const QDBusPendingCall& call,
                      const std::function<void(const QDBusMessage&)>& done);

    std::bitset<SourceCount> m_locked;
    QDBusServiceWatcher* m_saverOwners = nullptr;  // a child of this object
    QString m_sessionPath;
    // X11: the root window, the locker's status property and its lock and blank values, and the
    // first event number of the server's screen saver extension (0 without it).
    std::uint32_t m_root = 0;
    std::uint32_t m_statusAtom = 0;
    std::uint32_t m_lockAtom = 0;
    std::uint32_t m_blankAtom = 0;
    std::uint8_t m_saverEvent = 0;
};

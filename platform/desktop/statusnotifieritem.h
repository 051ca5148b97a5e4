#pragma once

#include "platform/desktop/dbustraytypes.h"
#include "platform/ports/statusbar.h"

#include <QDBusObjectPath>
#include <QIcon>
#include <QObject>
#include <QPoint>

#include <optional>

class DBusMenuExporter;
class QDBusServiceWatcher;

// The agent's icon as a StatusNotifier item on the session bus, with its menu. The item tells
// hosts that it is a menu, so a left click opens the same menu the host draws for a right click,
// and it keeps the position each host passes with a click, the only word a host gives of where
// its icon is. It registers with the desktop's StatusNotifier watcher, again whenever a new
// watcher comes up.
class StatusNotifierItem final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconName READ emptyName)
    Q_PROPERTY(QList<DBusImage> IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ emptyName)
    Q_PROPERTY(QList<DBusImage> OverlayIconPixmap READ noImage)
    Q_PROPERTY(QString AttentionIconName READ emptyName)
    Q_PROPERTY(QList<DBusImage> AttentionIconPixmap READ noImage)
    Q_PROPERTY(QString AttentionMovieName READ emptyName)
    Q_PROPERTY(DBusToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)
    Q_PROPERTY(QString IconThemePath READ emptyName)

public:
    explicit StatusNotifierItem(QObject* parent = nullptr);
    StatusNotifierItem(const StatusNotifierItem&) = delete;
    StatusNotifierItem& operator=(const StatusNotifierItem&) = delete;
    ~StatusNotifierItem() override;

    // Puts the item on the bus with `menu`; the menu is complete before any host can read it.
    void publish(Menu menu);
    void setIcon(const QIcon& icon);
    // Where the last host that passed a position had the pointer, in device-independent pixels.
    std::optional<QPoint> lastHostPosition() const { return m_hostPosition; }

    static QString category() { return QStringLiteral("ApplicationStatus"); }
    static QString id() { return QStringLiteral("corvane-antivirus-helper"); }
    static QString title() { return QStringLiteral("Corvane Antivirus"); }
    static QString status() { return QStringLiteral("Active"); }
    static int windowId() { return 0; }
    static QString emptyName() { return {}; }
    QList<DBusImage> iconPixmap() const { return m_pixmaps; }
    static QList<DBusImage> noImage() { return {}; }
    // The icon has no tooltip.
    static DBusToolTip toolTip() { return {}; }
    static bool itemIsMenu() { return true; }
    static QDBusObjectPath menu();

    Q_SCRIPTABLE void ContextMenu(int x, int y);
    Q_SCRIPTABLE void Activate(int x, int y);
    Q_SCRIPTABLE void SecondaryActivate(int x, int y);
    Q_SCRIPTABLE void Scroll(int delta, const QString& orientation);

signals:
    Q_SCRIPTABLE void NewTitle();
    Q_SCRIPTABLE void NewIcon();
    Q_SCRIPTABLE void NewAttentionIcon();
    Q_SCRIPTABLE void NewOverlayIcon();
    Q_SCRIPTABLE void NewToolTip();
    Q_SCRIPTABLE void NewStatus(const QString& status);
    // The user clicked the icon or opened its menu.
    void clicked();

private:
    void clickedAt(int x, int y);
    void registerWithWatcher();

    QString m_service;
    QList<DBusImage> m_pixmaps;
    DBusMenuExporter* m_menu = nullptr;
    QDBusServiceWatcher* m_watcherService = nullptr;
    std::optional<QPoint> m_hostPosition;
};

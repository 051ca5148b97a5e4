#pragma once

#include "platform/desktop/dbustraytypes.h"
#include "platform/ports/statusbar.h"

#include <QObject>

// The status item's menu served over the session bus to a StatusNotifier host, which draws it
// itself. The whole menu is there from the first read: a host never sees a row without its title
// or state. Rows are ids 1.. in the model's order under the root, id 0.
class DBusMenuExporter final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)

public:
    explicit DBusMenuExporter(Menu model, QObject* parent = nullptr);

    static uint version() { return 3; }
    static QString textDirection() { return QStringLiteral("ltr"); }
    static QString status() { return QStringLiteral("normal"); }
    static QStringList iconThemePath() { return {}; }

    Q_SCRIPTABLE uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                                DBusMenuLayoutItem& layout) const;
    Q_SCRIPTABLE QList<DBusMenuItemProperties> GetGroupProperties(
        const QList<int>& ids, const QStringList& propertyNames) const;
    Q_SCRIPTABLE QDBusVariant GetProperty(int id, const QString& name) const;
    Q_SCRIPTABLE void Event(int id, const QString& eventId, const QDBusVariant& data,
                            uint timestamp);
    Q_SCRIPTABLE QList<int> EventGroup(const QList<DBusMenuEvent>& events);
    Q_SCRIPTABLE bool AboutToShow(int id);
    Q_SCRIPTABLE QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors);

signals:
    Q_SCRIPTABLE void ItemsPropertiesUpdated(const QList<DBusMenuItemProperties>& updatedProps,
                                             const QList<DBusMenuItemKeys>& removedProps);
    Q_SCRIPTABLE void LayoutUpdated(uint revision, int parent);
    Q_SCRIPTABLE void ItemActivationRequested(int id, uint timestamp);
    // The host is about to show the menu: the user clicked the icon.
    void opening();

private:
    bool hasRow(int id) const { return id >= 0 && id <= static_cast<int>(m_model.size()); }
    QVariantMap propertiesOf(int id, const QStringList& names) const;
    // Runs the row's action once the host's call has been answered.
    void activate(int id);

    Menu m_model;
};

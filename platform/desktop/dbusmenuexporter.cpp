#include "platform/desktop/dbusmenuexporter.h"

#include "platform/desktop/traymenu.h"

#include <QKeySequence>
#include <QTimer>

#include <algorithm>

namespace {

// The layout never changes after the menu is built: states change through property updates.
constexpr uint kRevision = 1;

bool toggles(const MenuItem& item) {
    return item.kind == MenuItem::Kind::ProtectionSwitch ||
           item.kind == MenuItem::Kind::ProtectionCheckbox;
}

// A host reads an underscore as the mark of an access key; a title's own underscores are doubled.
QString label(const std::string& title) {
    return QString::fromStdString(title).replace(QLatin1Char('_'), QStringLiteral("__"));
}

// The key combination as DBusMenu spells it: modifier names, then the key.
QVariant shortcut(const QKeySequence& sequence) {
    QStringList keys = sequence.toString(QKeySequence::PortableText).split(QLatin1Char('+'));
    std::ranges::replace(keys, QStringLiteral("Ctrl"), QStringLiteral("Control"));
    return QVariant::fromValue(QList<QStringList>{keys});
}

QVariantMap rowProperties(const MenuItem& item) {
    if (item.kind == MenuItem::Kind::Separator) {
        return {{QStringLiteral("type"), QStringLiteral("separator")}};
    }
    QVariantMap properties{{QStringLiteral("label"), label(item.title)}};
    if (toggles(item)) {
        properties.insert(QStringLiteral("toggle-type"), QStringLiteral("checkmark"));
        properties.insert(QStringLiteral("toggle-state"), item.on ? 1 : 0);
    }
    const QKeySequence keys = TrayMenu::shortcutFor(item.keyEquivalent);
    if (!keys.isEmpty()) {
        properties.insert(QStringLiteral("shortcut"), shortcut(keys));
    }
    return properties;
}

}  // namespace

DBusMenuExporter::DBusMenuExporter(Menu model, QObject* parent)
    : QObject(parent), m_model(std::move(model)) {
    registerDBusTrayTypes();
}

QVariantMap DBusMenuExporter::propertiesOf(int id, const QStringList& names) const {
    QVariantMap properties =
        id == 0 ? QVariantMap{{QStringLiteral("children-display"), QStringLiteral("submenu")}}
                : rowProperties(m_model[static_cast<std::size_t>(id - 1)]);
    if (!names.isEmpty()) {
        for (auto it = properties.begin(); it != properties.end();) {
            it = names.contains(it.key()) ? std::next(it) : properties.erase(it);
        }
    }
    return properties;
}

uint DBusMenuExporter::GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                                 DBusMenuLayoutItem& layout) const {
    const int parent = hasRow(parentId) ? parentId : 0;
    layout = {parent, propertiesOf(parent, propertyNames), {}};
    // Only the root has rows below it; a depth of 0 asks for the parent alone.
    if (parent == 0 && recursionDepth != 0) {
        for (int id = 1; id <= static_cast<int>(m_model.size()); ++id) {
            layout.children.append({id, propertiesOf(id, propertyNames), {}});
        }
    }
    return kRevision;
}

QList<DBusMenuItemProperties> DBusMenuExporter::GetGroupProperties(
    const QList<int>& ids, const QStringList& propertyNames) const {
    QList<DBusMenuItemProperties> rows;
    for (const int id : ids) {
        if (hasRow(id)) {
            rows.append({id, propertiesOf(id, propertyNames)});
        }
    }
    return rows;
}

QDBusVariant DBusMenuExporter::GetProperty(int id, const QString& name) const {
    return QDBusVariant(hasRow(id) ? propertiesOf(id, {}).value(name) : QVariant());
}

void DBusMenuExporter::Event(int id, const QString& eventId, const QDBusVariant& /*data*/,
                             uint /*timestamp*/) {
    if (eventId == QLatin1String("clicked")) {
        activate(id);
    }
}

QList<int> DBusMenuExporter::EventGroup(const QList<DBusMenuEvent>& events) {
    QList<int> idErrors;
    for (const DBusMenuEvent& event : events) {
        if (!hasRow(event.id)) {
            idErrors.append(event.id);
        } else if (event.eventId == QLatin1String("clicked")) {
            activate(event.id);
        }
    }
    return idErrors;
}

bool DBusMenuExporter::AboutToShow(int id) {
    if (id == 0) {
        emit opening();
    }
    return false;  // the menu is always up to date
}

QList<int> DBusMenuExporter::AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors) {
    for (const int id : ids) {
        if (!hasRow(id)) {
            idErrors.append(id);
        } else if (id == 0) {
            emit opening();
        }
    }
    return {};
}

void DBusMenuExporter::activate(int id) {
    if (id < 1 || !hasRow(id)) {
        return;
    }
    MenuItem& item = m_model[static_cast<std::size_t>(id - 1)];
    if (toggles(item)) {
        item.on = !item.on;
        emit ItemsPropertiesUpdated({{id, {{QStringLiteral("toggle-state"), item.on ? 1 : 0}}}},
                                    {});
        // The host waits for its answer; switching protection runs tools and may end the agent.
        QTimer::singleShot(0, this,
                           [toggled = item.toggled, on = item.on] { toggled(on ? 1 : 0); });
    } else if (item.kind == MenuItem::Kind::Command) {
        QTimer::singleShot(0, this, [triggered = item.triggered] { triggered(); });
    }
}

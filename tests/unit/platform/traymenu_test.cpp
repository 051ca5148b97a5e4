#include "platform/desktop/traymenu.h"
#include "platform/desktop/dbusmenuexporter.h"
#include "platform/desktop/statusnotifieritem.h"
#include "platform/desktop/toggleswitch.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QWidgetAction>

#include <gtest/gtest.h>

TEST(TrayMenu, listsTheRowsInOrderAndReportsEachNewState) {
    std::vector<int> calls;  // each control's new state; 9 for the open item
    const auto toggled = [&calls](int state) { calls.push_back(state); };
    const auto opened = [&calls] { calls.push_back(9); };
    const auto item = [&](MenuItem::Kind kind, const char* title, bool on, const char* key) {
        return MenuItem{kind, title, on, key, toggled, opened};
    };
    using Kind = MenuItem::Kind;
    const TrayMenu menu({item(Kind::ProtectionSwitch, "Real Time Protection", true, ""), MenuItem{},
                         item(Kind::ProtectionCheckbox, "USB Protection", false, ""), MenuItem{},
                         item(Kind::Command, "Open Corvane Antivirus", false, "O"), MenuItem{}});
    std::vector<std::string> rows;
    for (const QAction* action : menu.actions()) {
        const QString mark = action->isSeparator() ? "---" : action->isCheckable() ? "[ ] " : "";
        rows.push_back(
            (mark + action->text() + " " + action->shortcut().toString()).trimmed().toStdString());
    }
    ASSERT_EQ(rows, (std::vector<std::string>{"", "---", "[ ] USB Protection", "---",
                                              "Open Corvane Antivirus Ctrl+Shift+O", "---"}));

    QWidget& row = *qobject_cast<QWidgetAction*>(menu.actions()[0])->defaultWidget();
    const auto& label = *row.findChild<QLabel*>();
    EXPECT_EQ(row.size(), QSize(250, 22));
    EXPECT_EQ(std::pair(label.x(), label.text()), std::pair(12, QString("Real Time Protection")));
    const auto& toggle = *row.findChild<ToggleSwitch*>();
    EXPECT_NEAR(toggle.width(), 0.8 * toggle.sizeHint().width(), 1) << "scaled to 0.8";
    QTest::mouseClick(&row, Qt::LeftButton);
    menu.actions()[2]->trigger();
    menu.actions()[4]->trigger();
    EXPECT_EQ(calls, (std::vector<int>{0, 1, 9})) << "the switch was on, the checkbox off";
}

TEST(DBusMenuExporter, servesEveryRowWholeFromTheFirstReadAndFlipsAStateOnAClick) {
    std::vector<int> calls;  // each control's new state; 9 for the open item
    const auto toggled = [&calls](int state) { calls.push_back(state); };
    using Kind = MenuItem::Kind;
    DBusMenuExporter menu({{Kind::ProtectionSwitch, "Real Time Protection", true, "", toggled, {}},
                           MenuItem{},
                           {Kind::ProtectionCheckbox, "USB_Protection", false, "", toggled, {}},
                           {Kind::Command, "Open Corvane Antivirus", false, "O", {}, [&calls] {
                                calls.push_back(9);
                            }}});
    const QSignalSpy updates(&menu, &DBusMenuExporter::ItemsPropertiesUpdated);
    const QSignalSpy opening(&menu, &DBusMenuExporter::opening);
    const auto rows = [&menu] {
        DBusMenuLayoutItem root;
        menu.GetLayout(0, -1, {}, root);
        std::vector<std::string> shown;
        for (const DBusMenuLayoutItem& row : root.children) {
            const QVariantMap& p = row.properties;
            const auto keys = qdbus_cast<QList<QStringList>>(p.value("shortcut"));
            shown.push_back(
                QString("%1 %2 %3 %4%5")
                    .arg(row.id)
                    .arg(p.value("type").toString(), p.value("label").toString(),
                         p.value("toggle-type").toString().left(5),
                         p.contains("toggle-state") ? p["toggle-state"].toString() : QString())
                    .simplified()
                    .toStdString() +
                (keys.isEmpty() ? "" : " " + keys.front().join('+').toStdString()));
        }
        return shown;
    };
    const std::vector<std::string> first{"1 Real Time Protection check1", "2 separator",
                                         "3 USB__Protection check0",
                                         "4 Open Corvane Antivirus Control+Shift+O"};
    EXPECT_EQ(rows(), first);
    EXPECT_EQ(menu.GetProperty(3, "label").variant().toString(), "USB__Protection");
    EXPECT_EQ(menu.GetGroupProperties({1, 7}, {"toggle-state"}).size(), 1) << "no row 7";

    menu.AboutToShow(0);
    EXPECT_EQ(opening.count(), 1) << "the host is about to show the menu: a click on the icon";
    menu.Event(3, "clicked", QDBusVariant(0), 0);
    menu.Event(4, "hovered", QDBusVariant(0), 0);
    EXPECT_EQ(menu.EventGroup({{1, "clicked", QDBusVariant(0), 0}, {8, "clicked", {}, 0}}),
              QList<int>{8});
    EXPECT_TRUE(calls.empty()) << "the host's call is answered before the action runs";
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, (std::vector<int>{1, 0}));
    EXPECT_EQ(rows()[0], "1 Real Time Protection check0");
    EXPECT_EQ(rows()[2], "3 USB__Protection check1");
    ASSERT_EQ(updates.count(), 2);
    const auto update = qvariant_cast<QList<DBusMenuItemProperties>>(updates[0][0]).front();
    EXPECT_EQ(std::pair(update.id, update.properties.value("toggle-state").toInt()),
              std::pair(3, 1));
}

// That hosts take the item for a menu at /MenuBar and draw its icon in its true colours is
// checked end to end, with waybar and xfce4-panel.
TEST(StatusNotifierItem, hasNoTooltipAndKeepsThePositionAHostPassesWithAClick) {
    StatusNotifierItem item;
    EXPECT_TRUE(StatusNotifierItem::toolTip().title.isEmpty());
    EXPECT_EQ(item.lastHostPosition(), std::nullopt);
    item.Activate(0, 0);
    EXPECT_EQ(item.lastHostPosition(), std::nullopt) << "the origin is no position";
    item.ContextMenu(300, 20);
    EXPECT_EQ(item.lastHostPosition(), QPoint(300, 20));
}

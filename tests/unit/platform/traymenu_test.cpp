#include "platform/desktop/traymenu.h"
#include "platform/desktop/qtstatusbar.h"
#include "platform/desktop/toggleswitch.h"

#include <QLabel>
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

TEST(QtStatusItem, showsWithoutAnImageOrTooltipAndDrawsTheMenuAsItsHostCan) {
    using Host = TrayHostWatch::Host;
    for (const auto& [host, switchRow] :
         {std::pair(Host::XEmbed, true), std::pair(Host::StatusNotifier, false)}) {
        QtStatusItem item(Host::None, {});
        item.setButtonImage("no.such.asset");
        item.setMenu(
            {{MenuItem::Kind::ProtectionSwitch, "USB Protection", true, "", [](int) {}, {}}});
        item.attachTo(host);
        const auto& tray = *item.findChild<QSystemTrayIcon*>();
        EXPECT_TRUE(tray.isVisible() && !tray.icon().isNull()) << "a blank icon keeps its place";
        EXPECT_TRUE(tray.toolTip().isEmpty()) << tray.toolTip().toStdString();
        const QAction& row = *tray.contextMenu()->actions().front();
        EXPECT_EQ(qobject_cast<const QWidgetAction*>(&row) != nullptr, switchRow);
        EXPECT_EQ(row.isCheckable() && row.isChecked(), !switchRow);
    }
}

#include "platform/desktop/traymenu.h"
#include "platform/desktop/toggleswitch.h"

#include <QLabel>
#include <QWidgetAction>

#include <gtest/gtest.h>

namespace {

MenuItem protection(MenuItem::Kind kind, const char* title, bool on, std::vector<int>& states) {
    MenuItem item;
    item.kind = kind;
    item.title = title;
    item.on = on;
    item.toggled = [&states](int state) { states.push_back(state); };
    return item;
}

}  // namespace

TEST(TrayMenu, switchRowsAreLaidOutAndReportTheFlippedState) {
    std::vector<int> states;
    MenuItem open;
    open.kind = MenuItem::Kind::Command;
    open.title = "Open Corvane Antivirus";
    open.keyEquivalent = "O";
    int opened = 0;
    open.triggered = [&opened] { ++opened; };
    TrayMenu menu(
        {protection(MenuItem::Kind::ProtectionSwitch, "Real Time Protection", true, states),
         MenuItem{}, open});

    const auto actions = menu.actions();
    ASSERT_EQ(actions.size(), 3);
    EXPECT_TRUE(actions[1]->isSeparator());
    auto* row = qobject_cast<QWidgetAction*>(actions[0])->defaultWidget();
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->size(), QSize(250, 22));
    auto* label = row->findChild<QLabel*>();
    EXPECT_EQ(label->text(), "Real Time Protection");
    EXPECT_EQ(label->geometry(), QRect(12, 4, 170, 18));
    EXPECT_EQ(label->font().pixelSize(), 13);

    auto* toggle = row->findChild<ToggleSwitch*>();
    const QSize natural = toggle->sizeHint();
    const QRectF expected(250 - 0.8 * natural.width() - 15,
                          22 - (22 - 0.8 * natural.height()) / 2.4 - 0.8 * natural.height(),
                          0.8 * natural.width(), 0.8 * natural.height());
    EXPECT_EQ(toggle->geometry(), expected.toRect());
    EXPECT_TRUE(toggle->isChecked());

    toggle->click();
    toggle->click();
    EXPECT_EQ(states, (std::vector<int>{0, 1})) << "the new state, after the switch flipped";

    EXPECT_EQ(actions[2]->text(), "Open Corvane Antivirus");
    EXPECT_EQ(actions[2]->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    actions[2]->trigger();
    EXPECT_EQ(opened, 1);
}

TEST(TrayMenu, checkboxItemsCarryTitleStateAndToggle) {
    std::vector<int> states;
    TrayMenu menu(
        {protection(MenuItem::Kind::ProtectionCheckbox, "USB Protection", false, states)});
    QAction* usb = menu.actions().at(0);
    EXPECT_EQ(usb->text(), "USB Protection");
    EXPECT_TRUE(usb->isCheckable());
    EXPECT_FALSE(usb->isChecked());
    usb->trigger();
    EXPECT_TRUE(usb->isChecked());
    EXPECT_EQ(states, std::vector<int>{1});
}

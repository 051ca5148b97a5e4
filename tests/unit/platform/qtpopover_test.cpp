#include "platform/desktop/qtpopover.h"
#include "platform/ports/statusbar.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

TEST(QtPopover, anyPressInItsFirst400MillisecondsDoesNothingWhileHoverStillWorks) {
    auto content = std::make_unique<QPushButton>();
    QPushButton& button = *content;
    const QSignalSpy clicks(&button, &QPushButton::clicked);
    PopoverWindows windows;
    const auto popover = windows.makePopover(std::move(content));
    popover->showAt({390, 0, 21, 20});
    QWindow* window = button.window()->windowHandle();
    const QPoint centre = button.geometry().center();
    QEnterEvent enter(centre, centre, window->mapToGlobal(centre));  // as the pointer arrives
    QCoreApplication::sendEvent(window, &enter);
    EXPECT_TRUE(button.underMouse());
    QTest::mouseClick(window, Qt::LeftButton, {}, centre);
    QTest::mousePress(window, Qt::LeftButton, {}, centre);  // held past the 400 ms
    QTest::qWait(450);
    QTest::mouseRelease(window, Qt::LeftButton, {}, centre);
    EXPECT_EQ(clicks.count(), 0);
    QTest::mouseClick(window, Qt::LeftButton, {}, centre);
    EXPECT_EQ(clicks.count(), 1);
}

namespace {

// The widgets as they appear on screen, in order.
class ShowLog final : public QObject {
public:
    std::vector<QObject*> shown;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            shown.push_back(watched);
        }
        return false;
    }
};

}  // namespace

TEST(QtPopover, aLockedScreenHoldsEveryPopoverOffItUntilTheUnlockShowsThemAgainOldestFirst) {
    PopoverWindows windows;
    ShowLog log;
    int dismissals = 0;
    std::vector<std::pair<std::unique_ptr<Popover>, QWidget*>> popovers;
    const auto open = [&] {
        auto content = std::make_unique<QWidget>();
        content->installEventFilter(&log);
        QWidget* shown = content.get();
        popovers.emplace_back(windows.makePopover(std::move(content)), shown);
        Popover& popover = *popovers.back().first;
        popover.setTransient();
        popover.setDismissHandler([&dismissals] { ++dismissals; });
        popover.showAt({390, 0, 21, 20});
        return shown->window();
    };
    QWidget* older = open();
    ASSERT_TRUE(older->isVisible());
    windows.setScreenLocked(true);
    QWidget* newer = open();
    QWidget* closed = open();
    popovers.back().first->performClose();
    windows.dismissAll();  // a click on the tray icon cannot reach a held popover
    // Off the screen, yet still shown to the agent, which goes on as before; none dismissed.
    EXPECT_FALSE(older->isVisible() || newer->isVisible() || closed->isVisible());
    EXPECT_TRUE(popovers[0].first->isShown() && popovers[1].first->isShown());
    EXPECT_FALSE(popovers[2].first->isShown());
    log.shown.clear();
    windows.setScreenLocked(false);
    EXPECT_TRUE(older->isVisible() && newer->isVisible());
    EXPECT_FALSE(closed->isVisible());
    EXPECT_EQ(log.shown, (std::vector<QObject*>{popovers[0].second, popovers[1].second}));
    EXPECT_EQ(dismissals, 0);
}

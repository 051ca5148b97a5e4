#include "platform/desktop/qtpopover.h"
#include "platform/ports/statusbar.h"
#include "platform/desktop/widgetpopovercontent.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

namespace {

std::unique_ptr<PopoverContent> content(const char* name) {
    auto widget = std::make_unique<QWidget>();
    widget->setFixedSize(120, 80);
    widget->setAccessibleName(name);
    return std::make_unique<WidgetPopoverContent>(std::move(widget));
}

QWidget* windowTitled(const QString& title) {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->windowTitle() == title) {
            return window;
        }
    }
    return nullptr;
}

class NullAnchor final : public StatusItem {
public:
    bool hasButton() const override { return true; }
    void setButtonImage(const std::string&) override {}
    void setButtonAction(std::function<void()>) override {}
    void setMenu(Menu) override {}
};

}  // namespace

TEST(QtPopover, showsWithoutFocusAndDismissalsReachOnlyTransientPopovers) {
    QtPopoverFactory factory;
    NullAnchor anchor;
    int dismissed = 0;
    auto transient = factory.makePopover();
    transient->setTransient();
    transient->setContent(content("Threat detected"));
    transient->setDismissHandler([&dismissed] { ++dismissed; });
    transient->showRelativeTo(anchor);

    QWidget* window = windowTitled("Corvane Antivirus: Threat detected");
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(transient->isShown());
    EXPECT_TRUE(window->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_TRUE(window->windowFlags() & Qt::WindowDoesNotAcceptFocus);
    EXPECT_EQ(window->size(), QSize(120, 80));

    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_FALSE(transient->isShown());
    EXPECT_EQ(dismissed, 1);
    transient->performClose();
    EXPECT_EQ(dismissed, 1) << "the agent's own close is not a dismissal";

    auto plain = factory.makePopover();
    plain->setContent(content("Plain"));
    plain->setDismissHandler([&dismissed] { ++dismissed; });
    plain->showRelativeTo(anchor);
    transient->showRelativeTo(anchor);
    factory.dismissAll();
    EXPECT_FALSE(transient->isShown());
    EXPECT_EQ(dismissed, 2) << "only the transient popover reports its dismissal";
}

TEST(QtPopover, aReleasedPopoverStaysOnScreenUntilClosed) {
    QtPopoverFactory factory;
    NullAnchor anchor;
    auto popover = factory.makePopover();
    popover->setContent(content("USB device attached"));
    popover->showRelativeTo(anchor);
    popover.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QPointer<QWidget> window = windowTitled("Corvane Antivirus: USB device attached");
    ASSERT_FALSE(window.isNull());
    EXPECT_TRUE(window->isVisible());
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull()) << "and then goes away";
}

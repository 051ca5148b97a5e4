#include "views/hovertooltipview.h"
#include "views/tooltipbubble.h"
#include "viewtesting.h"

#include <QLabel>

#include <gtest/gtest.h>

#include <memory>

using namespace ViewTesting;

namespace {

// A window with room above a short wrapped line, and a later sibling that covers the spot
// where the bubble appears.
struct Window {
    Window() {
        top.resize(400, 200);
        wrapper->setGeometry(150, 100, 60, 20);
        cover->setAutoFillBackground(true);
        QPalette red = cover->palette();
        red.setColor(QPalette::Window, Qt::red);
        cover->setPalette(red);
        cover->setGeometry(0, 60, 400, 40);
        top.show();
    }

    QWidget top;
    HoverTooltipView* wrapper =
        new HoverTooltipView(std::make_unique<QLabel>(QStringLiteral("short")), &top);
    QWidget* cover = new QWidget(&top);
};

}  // namespace

TEST(HoverTooltipView, showsTheWholeTextCentredAboveWhileHovered) {
    Window window;
    const QString text = QStringLiteral("/Users/ann/Downloads/<b>a very long</b> & name.pkg");
    window.wrapper->setTooltip(text);
    EXPECT_EQ(window.wrapper->visibleBubble(), nullptr) << "nothing before the pointer comes";

    hover(window.wrapper);
    const TooltipBubble* const bubble = window.wrapper->visibleBubble();
    ASSERT_NE(bubble, nullptr);
    EXPECT_EQ(bubble->parentWidget(), &window.top) << "on the window, not inside the line";
    EXPECT_EQ(bubble->text(), text);
    EXPECT_EQ(describeFont(bubble->font()), "Inter 400 13px");
    const QFontMetrics metrics(bubble->font());
    EXPECT_NEAR(bubble->width(), metrics.horizontalAdvance(text) + 12, 1) << "never wrapped";
    EXPECT_NEAR(bubble->height(), metrics.height() + 12, 1) << "one line";
    EXPECT_NEAR(bubble->geometry().center().x(), window.wrapper->geometry().center().x(), 1);
    EXPECT_EQ(bubble->y(), window.wrapper->y() - 25);

    // Drawn above the sibling that covers its place: dark, translucent black over red.
    const QImage image = snapshot(window.top);
    ASSERT_GE(bubble->y() + 5, window.cover->y());
    const QColor inside = pixel(image, {bubble->x() + 2, bubble->y() + 5});
    EXPECT_NEAR(inside.red(), 255 * 0.15, 2);
    EXPECT_EQ(inside.green(), 0);
    EXPECT_EQ(pixel(image, bubble->geometry().topLeft()), QColor(Qt::red))
        << "the corner is rounded off";
    const QRect ink = inkBounds(image, bubble->geometry(), [](QColor c) { return c.blue() > 128; });
    EXPECT_GT(ink.width(), bubble->width() - 24) << "white text across the whole bubble";

    unhover(window.wrapper);
    EXPECT_EQ(window.wrapper->visibleBubble(), nullptr) << "hidden at once";
}

TEST(HoverTooltipView, followsItsTooltipAndStaysReadableInsideTheWindow) {
    Window window;
    hover(window.wrapper);
    EXPECT_EQ(window.wrapper->visibleBubble(), nullptr) << "no tooltip, no bubble";

    window.wrapper->setTooltip(QStringLiteral("first"));
    window.wrapper->setTooltip(QStringLiteral("second, longer"));
    ASSERT_NE(window.wrapper->visibleBubble(), nullptr);
    EXPECT_EQ(window.wrapper->visibleBubble()->text(), "second, longer");
    window.wrapper->setTooltip(std::nullopt);
    EXPECT_EQ(window.wrapper->visibleBubble(), nullptr);

    // Near the window's top-left corner the bubble is pushed inside rather than cut off.
    window.wrapper->setTooltip(QStringLiteral("a tooltip wider than the line"));
    window.wrapper->move(0, 10);
    const TooltipBubble* const bubble = window.wrapper->visibleBubble();
    ASSERT_NE(bubble, nullptr);
    EXPECT_EQ(bubble->pos(), QPoint(0, 0));

    // Wider than the whole window: it starts at the window's left edge.
    window.wrapper->setTooltip(QString(200, QLatin1Char('w')));
    EXPECT_EQ(window.wrapper->visibleBubble()->x(), 0);
    EXPECT_GT(window.wrapper->visibleBubble()->width(), window.top.width());
}

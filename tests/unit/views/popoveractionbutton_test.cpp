#include "views/popoveractionbutton.h"
#include "views/fontfaces.h"
#include "viewtesting.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>
#include <QVariantAnimation>

#include <gtest/gtest.h>

using namespace ViewTesting;

namespace {

const QColor kRest(0, 148, 38);
const QColor kHover(4, 165, 45);

}  // namespace

TEST(FontFaces, resolveToTheInterWeightsAtPixelSizes) {
    ASSERT_TRUE(QFontDatabase::hasFamily(QStringLiteral("Inter"))) << "fonts-inter is missing";
    const struct {
        const char* face;
        int size;
        int weight;
    } cases[] = {{"Inter", 13, QFont::Normal},
                 {"Inter-Medium", 15, QFont::Medium},
                 {"Inter-SemiBold", 16, QFont::DemiBold}};
    for (const auto& [face, size, weight] : cases) {
        const QFontInfo resolved(FontFaces::face(face, size));
        EXPECT_EQ(resolved.family(), "Inter") << face;
        EXPECT_EQ(resolved.weight(), weight) << face;
        EXPECT_EQ(resolved.pixelSize(), size) << face;
    }

    const QFont unknown = FontFaces::face("Inter-Hairline", 14);
    EXPECT_EQ(unknown.family(), QGuiApplication::font().family()) << "falls back to the default";
    EXPECT_EQ(unknown.pixelSize(), 14);

    const QFont system = FontFaces::systemSemibold(15);
    EXPECT_EQ(system.family(), QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
    EXPECT_EQ(system.weight(), QFont::DemiBold);
    EXPECT_EQ(system.pixelSize(), 15);
}

TEST(PopoverActionButton, isAGreenPillWithItsTitleInWhiteThatClicksOnRelease) {
    PopoverActionButton button(QStringLiteral("Close"));
    button.setAttribute(Qt::WA_TranslucentBackground);
    button.resize(button.sizeHint());
    button.show();
    const QSize size = button.size();
    const int titleWidth = QFontMetrics(button.font()).horizontalAdvance(QStringLiteral("Close"));
    EXPECT_EQ(size, QSize(titleWidth + 2 * PopoverActionButton::kPadding, 35));
    EXPECT_EQ(describeFont(button.font()), "Inter 500 15px");
    EXPECT_EQ(button.accessibleName(), "Close");
    EXPECT_EQ(button.focusPolicy(), Qt::NoFocus);

    const QImage image = snapshot(button);
    EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0) << "the corners are cut round";
    EXPECT_EQ(pixel(image, {3, size.height() / 2}), kRest) << "the round end is filled";
    const QRect text = inkBounds(image, image.rect(), [](QColor c) { return c.red() > 200; });
    EXPECT_NEAR(text.center().x(), size.width() / 2.0, 2) << "the white title is centred";
    EXPECT_NEAR(text.center().y(), size.height() / 2.0, 3);
    EXPECT_GT(text.width(), titleWidth - 6);

    QSignalSpy clicked(&button, &PopoverActionButton::clicked);
    QTest::mousePress(&button, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 0) << "runs on release, like any button";
    QTest::mouseRelease(&button, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 1);

    PopoverActionButton wide(QStringLiteral("A title far too long for any popover button"));
    EXPECT_EQ(wide.sizeHint(), QSize(135, 35)) << "bounded to 135 by 35";
    wide.resize(400, 100);
    EXPECT_EQ(wide.size(), QSize(135, 35));
}

TEST(PopoverActionButton, hoverCrossFadesTheFillWithEaseInOut) {
    PopoverActionButton button(QStringLiteral("View"));
    button.resize(button.sizeHint());
    auto* const fade = button.findChild<QVariantAnimation*>(QStringLiteral("hoverFade"));
    ASSERT_NE(fade, nullptr);
    EXPECT_EQ(button.fillColor(), kRest);

    hover(&button);
    EXPECT_TRUE(button.isHovering());
    EXPECT_EQ(fade->duration(), 200);
    // A slow start, half-way at half time, a slow end: not linear.
    const QColor midway(2, 157, 42);
    for (const auto& [time, fill] : {std::pair(50, QColor(1, 150, 39)), std::pair(100, midway),
                                     std::pair(150, QColor(3, 163, 44)), std::pair(200, kHover)}) {
        fade->setCurrentTime(time);
        EXPECT_EQ(button.fillColor(), fill) << time;
    }
    EXPECT_EQ(pixel(snapshot(button), {3, 17}), kHover);

    unhover(&button);
    EXPECT_FALSE(button.isHovering());
    fade->setCurrentTime(100);
    EXPECT_EQ(button.fillColor(), midway);
    hover(&button);
    EXPECT_EQ(button.fillColor(), midway) << "a reversed fade starts where it is";
    fade->setCurrentTime(200);
    EXPECT_EQ(button.fillColor(), kHover);
    unhover(&button);
    fade->setCurrentTime(200);
    EXPECT_EQ(button.fillColor(), kRest);
}

#include "platform/desktop/popoverplacement.h"

#include <gtest/gtest.h>

TEST(PopoverPlacement, hangsCentredFromTheIconAndStaysOnScreen) {
    const QRect screen(0, 28, 1280, 772);  // below a 28 px top panel
    const QSize size(440, 250);

    const QRect underMiddle = placePopover(size, QRect(600, 2, 24, 24), screen);
    EXPECT_NEAR(underMiddle.center().x(), QRect(600, 2, 24, 24).center().x(), 1);
    EXPECT_EQ(underMiddle.top(), 30) << "just under the icon, kept below the panel";

    const QRect atRightEdge = placePopover(size, QRect(1250, 2, 24, 24), screen);
    EXPECT_EQ(atRightEdge.right(), screen.right()) << "clamped, not cut";

    const QRect bottomPanel = placePopover(size, QRect(1250, 776, 24, 24), QRect(0, 0, 1280, 772));
    EXPECT_EQ(bottomPanel.bottom(), 771) << "above an icon at the bottom, kept on screen";
    EXPECT_LT(bottomPanel.top(), 776);

    const QRect tiny = placePopover(QSize(2000, 900), QRect(10, 10, 1, 1), screen);
    EXPECT_EQ(tiny.topLeft(), screen.topLeft()) << "larger than the screen: starts at its corner";
}

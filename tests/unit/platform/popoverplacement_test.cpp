#include "platform/desktop/popoverplacement.h"

#include <gtest/gtest.h>

TEST(PopoverPlacement, hangsByTheIconElseTheHostsClickElseThePanelsTrayEndElseTheTopRight) {
    const QRect screen(0, 0, 1280, 800);
    const QSize size(440, 250);
    struct Case {
        const char* what;
        std::optional<QRect> icon;
        std::optional<QPoint> hostClick;
        QRect available;
        QRect placed;
    };
    const Case cases[] = {
        {"icon at the top: centred under it",
         QRect(600, 2, 24, 24),
         {},
         screen,
         QRect(391, 30, 440, 250)},
        {"icon at the bottom: above it",
         QRect(600, 774, 24, 24),
         {},
         screen,
         QRect(391, 520, 440, 250)},
        {"icon at the right end: kept on screen",
         QRect(1260, 2, 20, 24),
         {},
         screen,
         QRect(840, 30, 440, 250)},
        {"host's click in a top bar",
         {},
         QPoint(1000, 10),
         QRect(0, 30, 1280, 770),
         QRect(780, 30, 440, 250)},
        {"host's click in a bottom panel",
         {},
         QPoint(1200, 790),
         QRect(0, 0, 1280, 764),
         QRect(840, 514, 440, 250)},
        {"panel at the bottom: above its right end",
         {},
         {},
         QRect(0, 0, 1280, 764),
         QRect(840, 510, 440, 250)},
        {"panel at the top: under its right end",
         {},
         {},
         QRect(0, 28, 1280, 772),
         QRect(840, 32, 440, 250)},
        {"panel on the left: beside its bottom end",
         {},
         {},
         QRect(48, 0, 1232, 800),
         QRect(52, 550, 440, 250)},
        {"panel on the right: beside its bottom end",
         {},
         {},
         QRect(0, 0, 1232, 800),
         QRect(788, 550, 440, 250)},
        {"no panel: the top right corner", {}, {}, screen, QRect(840, 5, 440, 250)},
    };
    for (const Case& c : cases) {
        const QRect anchor = c.icon ? *c.icon : trayAnchor(c.hostClick, {screen, c.available});
        const QRect placed = placePopover(size, anchor, c.available);
        EXPECT_EQ(placed, c.placed) << c.what;
        EXPECT_TRUE(c.available.contains(placed)) << c.what;
    }
}

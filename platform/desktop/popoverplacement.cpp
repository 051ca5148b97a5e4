#include "platform/desktop/popoverplacement.h"

#include <algorithm>

namespace {

// Room between the icon and the popover, as a menu leaves it.
constexpr int kGap = 4;

}  // namespace

QRect trayAnchor(std::optional<QPoint> hostPosition, const ScreenArea& screen) {
    if (hostPosition) {
        return {*hostPosition, QSize(1, 1)};
    }
    const QRect& all = screen.geometry;
    const QRect& free = screen.available;
    // A panel at the top or the bottom more often holds the tray than a vertical one beside it.
    if (free.top() > all.top()) {
        return {QPoint(free.right(), all.top()), QPoint(free.right(), free.top() - 1)};
    }
    if (free.bottom() < all.bottom()) {
        return {QPoint(free.right(), free.bottom() + 1), QPoint(free.right(), all.bottom())};
    }
    if (free.right() < all.right()) {
        return {QPoint(free.right() + 1, free.bottom()), QPoint(all.right(), free.bottom())};
    }
    if (free.left() > all.left()) {
        return {QPoint(all.left(), free.bottom()), QPoint(free.left() - 1, free.bottom())};
    }
    return {free.topRight(), QSize(1, 1)};
}

QRect placePopover(QSize size, const QRect& anchor, const QRect& available) {
    const bool leftOfFree = anchor.right() < available.left();
    const bool rightOfFree = anchor.left() > available.right();
    int x = anchor.center().x() - size.width() / 2;
    int y = anchor.center().y() - size.height() / 2;
    if (leftOfFree || rightOfFree) {
        x = leftOfFree ? anchor.right() + 1 + kGap : anchor.left() - kGap - size.width();
    } else if (anchor.center().y() > available.center().y()) {
        y = anchor.top() - kGap - size.height();
    } else {
        y = anchor.bottom() + 1 + kGap;
    }
    const int left = std::clamp(x, available.left(),
                                std::max(available.left(), available.right() + 1 - size.width()));
    const int top = std::clamp(y, available.top(),
                               std::max(available.top(), available.bottom() + 1 - size.height()));
    return {QPoint(left, top), size};
}

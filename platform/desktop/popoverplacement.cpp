#include "platform/desktop/popoverplacement.h"

#include <algorithm>

namespace {

// Room between the icon and the popover, as a menu leaves it.
constexpr int kGap = 4;

}  // namespace

QRect placePopover(QSize size, const QRect& anchor, const QRect& screen) {
    const bool anchorAtBottom = anchor.center().y() > screen.center().y();
    const int x = anchor.center().x() - size.width() / 2;
    const int y = anchorAtBottom ? anchor.top() - kGap - size.height() : anchor.bottom() + 1 + kGap;
    const int left =
        std::clamp(x, screen.left(), std::max(screen.left(), screen.right() + 1 - size.width()));
    const int top =
        std::clamp(y, screen.top(), std::max(screen.top(), screen.bottom() + 1 - size.height()));
    return {QPoint(left, top), size};
}

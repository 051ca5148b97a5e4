#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

// A screen and the part of it that the desktop's panels leave free.
struct ScreenArea {
    QRect geometry;
    QRect available;
};

// What a popover hangs from where the tray gives no icon rectangle: the position the host passed
// with its last click; else the tray end of the panel, found from where the desktop reserves space
// on `screen` (the right end of a panel at the bottom or the top, the bottom end of a vertical
// one); else the top right corner of `screen`.
QRect trayAnchor(std::optional<QPoint> hostPosition, const ScreenArea& screen);

// Where a popover of `size` goes: on the side of `anchor` that faces the free part of the screen
// (under a tray at the top, above one at the bottom, beside a vertical panel), centred on it, and
// wholly inside `available`.
QRect placePopover(QSize size, const QRect& anchor, const QRect& available);

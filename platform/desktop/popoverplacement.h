#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Where a popover of `size` goes: centred under `anchor` (above it when the anchor sits in the
// lower half of `screen`), kept inside `screen`'s available area.
QRect placePopover(QSize size, const QRect& anchor, const QRect& screen);

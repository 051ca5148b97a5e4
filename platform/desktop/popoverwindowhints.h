#pragma once

class QWidget;

// Declares `window` a notification beside the tray, so that a compositor hosting X clients leaves
// the keyboard focus where it is. Call it while the window is hidden, just before it is shown; the
// title stays as it is. Only X11 needs it.
void markAsPopoverWindow(QWidget& window);

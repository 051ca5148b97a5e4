#pragma once

class QWidget;

// Tells the window manager that `window` is an alert beside the tray, not a window of its own:
// task lists, pagers and window switchers leave it out. Call it while the window is hidden, just
// before it is shown; the title stays as it is. Only X11 needs it.
void markAsPopoverWindow(QWidget& window);

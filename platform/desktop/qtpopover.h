#pragma once

#include "platform/ports/popover.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <vector>

class PopoverWindow;

// Popovers as frameless windows that never take the keyboard focus.
class PopoverWindows final {
public:
    // A popover showing `content`; none shows an empty window.
    std::unique_ptr<Popover> makePopover(std::unique_ptr<QWidget> content);

    // The user clicked elsewhere in the agent (its tray icon): every shown popover is dismissed.
    void dismissAll();

    // While the session is locked no popover is on screen: the shown ones are hidden and new ones
    // wait; at the unlock all show again, oldest first. Held popovers still count as shown, and
    // are not dismissed.
    void setScreenLocked(bool locked);
    bool isScreenLocked() const { return m_screenLocked; }

private:
    bool m_screenLocked = false;
    std::vector<QPointer<PopoverWindow>> m_windows;
};

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

private:
    std::vector<QPointer<PopoverWindow>> m_windows;
};

#pragma once

#include "popover.h"

#include <QPointer>

#include <vector>

class PopoverWindow;

// Popovers as frameless windows that never take the keyboard focus.
class QtPopoverFactory final : public PopoverFactory {
public:
    std::unique_ptr<Popover> makePopover() override;

    // The user clicked elsewhere in the agent (its tray icon): every shown popover is dismissed.
    void dismissAll();

private:
    std::vector<QPointer<PopoverWindow>> m_windows;
};

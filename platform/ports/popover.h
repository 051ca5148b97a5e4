#pragma once

#include <functional>

struct ScreenRect;

// A small transient panel that hangs from the status item's button.
class Popover {
public:
    Popover() = default;
    Popover(const Popover&) = delete;
    Popover& operator=(const Popover&) = delete;
    virtual ~Popover() = default;

    // Lets the platform close the popover when the user dismisses it outside its own buttons.
    virtual void setTransient() = 0;
    // Shows the popover under (or above) `anchor` without taking keyboard focus.
    virtual void showAt(const ScreenRect& anchor) = 0;
    // Closes the popover; nothing happens when it is not shown.
    virtual void performClose() = 0;
    virtual bool isShown() const = 0;
    // Runs `handler` when the platform, not the agent, closes the popover.
    virtual void setDismissHandler(std::function<void()> handler) = 0;
};

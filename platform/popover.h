#pragma once

#include <functional>
#include <memory>

class StatusItem;

// The view a popover shows; built by the view layer and opaque to the agent.
class PopoverContent {
public:
    PopoverContent() = default;
    PopoverContent(const PopoverContent&) = delete;
    PopoverContent& operator=(const PopoverContent&) = delete;
    virtual ~PopoverContent() = default;
};

// A small transient panel that hangs from the status item's button.
class Popover {
public:
    Popover() = default;
    Popover(const Popover&) = delete;
    Popover& operator=(const Popover&) = delete;
    virtual ~Popover() = default;

    // Lets the platform close the popover when the user interacts outside it.
    virtual void setTransient() = 0;
    // Replaces the view the popover shows.
    virtual void setContent(std::unique_ptr<PopoverContent> content) = 0;
    // Shows the popover under (or above) `anchor`'s button without taking keyboard focus.
    virtual void showRelativeTo(StatusItem& anchor) = 0;
    // Closes the popover; nothing happens when it is not shown.
    virtual void performClose() = 0;
    virtual bool isShown() const = 0;
    // Runs `handler` when the platform, not the agent, closes the popover.
    virtual void setDismissHandler(std::function<void()> handler) = 0;
};

class PopoverFactory {
public:
    PopoverFactory() = default;
    PopoverFactory(const PopoverFactory&) = delete;
    PopoverFactory& operator=(const PopoverFactory&) = delete;
    virtual ~PopoverFactory() = default;

    virtual std::unique_ptr<Popover> makePopover() = 0;
};

#pragma once

#include "agent/observable.h"
#include "agent/threat.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class Popover;

// What the threat popover shows and can do.
struct ThreatPopoverModel {
    // The record to show now; nothing shows the placeholder lines.
    std::function<std::optional<Threat>()> threatOnShow;
    // Announced whenever the record to show may have changed.
    ChangeSignal& changed;
    Binding<std::string> selectedView;
    // The threat count when the popover opened; it does not follow later changes.
    Binding<std::int64_t> threatsDetected;
    // "View": hands the user over to the quarantine list.
    std::function<void()> view;
    std::function<void()> closePopover;
};

// What a USB popover shows and can do.
struct UsbPopoverModel {
    std::string pathUsb;
    Binding<std::string> selectedView;
    // "Scan Now": asks the main application for a scan, forgets the device, closes the popover.
    std::function<void()> scanNow;
    std::function<void()> closePopover;
};

// Makes the agent's popovers with their views.
class PopoverFactory {
public:
    PopoverFactory() = default;
    PopoverFactory(const PopoverFactory&) = delete;
    PopoverFactory& operator=(const PopoverFactory&) = delete;
    virtual ~PopoverFactory() = default;

    // A popover without content, as the status item's own.
    virtual std::unique_ptr<Popover> makePopover() = 0;
    virtual std::unique_ptr<Popover> makeThreatPopover(ThreatPopoverModel model) = 0;
    virtual std::unique_ptr<Popover> makeUsbPopover(UsbPopoverModel model) = 0;
};

#pragma once

#include "popover.h"

#include <QWidget>

#include <memory>

// Popover content drawn by a Qt widget: the popover window adopts the widget.
class WidgetPopoverContent final : public PopoverContent {
public:
    explicit WidgetPopoverContent(std::unique_ptr<QWidget> widget) : m_widget(std::move(widget)) {}

    QWidget* widget() const { return m_widget.get(); }
    // Hands the widget to its new parent window.
    std::unique_ptr<QWidget> takeWidget() { return std::move(m_widget); }

private:
    std::unique_ptr<QWidget> m_widget;
};

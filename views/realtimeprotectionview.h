#pragma once

#include "agent/observable.h"
#include "agent/popoverfactory.h"

#include <QWidget>

class HoverTooltipView;
class PopoverActionButton;
class PopoverText;

// The threat popover: the shown threat's fields, a note that it is in quarantine, and the
// "View" and "Close" buttons, on a 440 by 250 dark panel. It follows the manager's changes.
class RealTimeProtectionView final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kWidth = 440;
    static constexpr int kHeight = 250;

    explicit RealTimeProtectionView(ThreatPopoverModel model, QWidget* parent = nullptr);
    RealTimeProtectionView(const RealTimeProtectionView&) = delete;
    RealTimeProtectionView& operator=(const RealTimeProtectionView&) = delete;
    ~RealTimeProtectionView() override;

private:
    QWidget* makeHeader();
    QWidget* makeButtonRow();
    // Lays the view out again once this turn of the event loop is over, however many changes
    // are announced meanwhile: a flood announces two per record.
    void scheduleRefresh();
    // Shows the record the queue holds now.
    void refresh();

    ThreatPopoverModel m_model;
    bool m_refreshScheduled = false;
    ChangeSignal::Subscription m_subscription = 0;
    PopoverText* m_itemNameLine = nullptr;
    PopoverText* m_threatNameLine = nullptr;
    PopoverText* m_locationLine = nullptr;
    PopoverText* m_statusLine = nullptr;
    HoverTooltipView* m_itemNameHover = nullptr;
    HoverTooltipView* m_locationHover = nullptr;
};

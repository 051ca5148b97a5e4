#pragma once

#include "agent/popoverfactory.h"

#include <QWidget>

class PopoverPanel;

// The USB popover: the attached device's name, an invitation to scan it, and the "Scan Now" and
// "Close" buttons. The dark panel covers only its padded content, centred in a 370 by 200 frame.
class UsbProtectionView final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kWidth = 370;
    static constexpr int kHeight = 200;
    // Space between the panel's edges and its rows.
    static constexpr int kPanelPadding = 16;

    explicit UsbProtectionView(UsbPopoverModel model, QWidget* parent = nullptr);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    QWidget* makeHeader();
    QWidget* makeButtonRow();
    void placePanel();

    UsbPopoverModel m_model;
    PopoverPanel* m_panel = nullptr;
};

#pragma once

#include <QAbstractButton>
#include <QVariantAnimation>

// An on/off switch drawn as a rounded track with a sliding knob.
class ToggleSwitch final : public QAbstractButton {
    Q_OBJECT

public:
    explicit ToggleSwitch(QWidget* parent = nullptr);

    // Draws the switch scaled by `factor`; the natural size stays the unscaled one.
    void setDrawingScale(qreal factor);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void animateKnob(bool on);

    qreal m_drawingScale = 1.0;
    qreal m_knobPosition = 0.0;  // 0 off, 1 on
    QVariantAnimation m_knobAnimation;
};

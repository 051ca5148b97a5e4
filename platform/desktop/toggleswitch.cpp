#include "platform/desktop/toggleswitch.h"

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr QSize kNaturalSize(38, 22);
constexpr int kKnobInset = 2;

}  // namespace

ToggleSwitch::ToggleSwitch(QWidget* parent) : QAbstractButton(parent) {
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    m_knobAnimation.setDuration(150);
    m_knobAnimation.setEasingCurve(QEasingCurve::InOutCubic);
    connect(&m_knobAnimation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) {
                m_knobPosition = value.toReal();
                update();
            });
    connect(this, &QAbstractButton::toggled, this, &ToggleSwitch::animateKnob);
}

void ToggleSwitch::setDrawingScale(qreal factor) {
    m_drawingScale = factor;
    update();
}

QSize ToggleSwitch::sizeHint() const {
    return kNaturalSize;
}

void ToggleSwitch::animateKnob(bool on) {
    m_knobAnimation.stop();
    if (!isVisible()) {
        m_knobPosition = on ? 1.0 : 0.0;
        return;
    }
    m_knobAnimation.setStartValue(m_knobPosition);
    m_knobAnimation.setEndValue(on ? 1.0 : 0.0);
    m_knobAnimation.start();
}

void ToggleSwitch::paintEvent(QPaintEvent* /*event*/) {
    if (!m_knobAnimation.state() && m_knobPosition != (isChecked() ? 1.0 : 0.0)) {
        m_knobPosition = isChecked() ? 1.0 : 0.0;  // state set while hidden or before showing
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(m_drawingScale, m_drawingScale);
    const QRectF track(QPointF(0, 0), QSizeF(kNaturalSize));
    const QColor off = palette().color(QPalette::Mid);
    const QColor on = QColor(0x04, 0xA5, 0x2D);
    const qreal t = m_knobPosition;
    const auto mix = [t](float from, float to) {
        return static_cast<float>(from + (to - from) * t);
    };
    const QColor trackColor = QColor::fromRgbF(
        mix(off.redF(), on.redF()), mix(off.greenF(), on.greenF()), mix(off.blueF(), on.blueF()));
    painter.setPen(Qt::NoPen);
    painter.setBrush(isEnabled() ? trackColor : trackColor.lighter(130));
    painter.drawRoundedRect(track, track.height() / 2, track.height() / 2);

    const qreal knobDiameter = track.height() - 2 * kKnobInset;
    const qreal travel = track.width() - knobDiameter - 2 * kKnobInset;
    const QRectF knob(kKnobInset + travel * t, kKnobInset, knobDiameter, knobDiameter);
    painter.setBrush(QColor(0, 0, 0, 40));
    painter.drawEllipse(knob.translated(0, 0.6));
    painter.setBrush(Qt::white);
    painter.drawEllipse(knob);
}

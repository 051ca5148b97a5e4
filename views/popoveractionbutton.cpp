#include "views/popoveractionbutton.h"

#include "views/colorfromhex.h"
#include "views/fontfaces.h"
#include "views/popoverpalette.h"

#include <QEasingCurve>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>

namespace {

// The pill is a rounded rectangle whose radius exceeds half its height, so its ends are round.
constexpr qreal kCornerRadius = 25.0;
// The label dims while the button is held down, as a plain button's label does.
constexpr qreal kPressedTextOpacity = 0.7;

QEasingCurve easeInOut() {
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0.42, 0.0), QPointF(0.58, 1.0), QPointF(1.0, 1.0));
    return curve;
}

QColor mix(const QColor& from, const QColor& to, qreal amount) {
    const auto channel = [amount](int a, int b) {
        return static_cast<int>(std::lround(a + (b - a) * amount));
    };
    return QColor::fromRgb(channel(from.red(), to.red()), channel(from.green(), to.green()),
                           channel(from.blue(), to.blue()));
}

}  // namespace

PopoverActionButton::PopoverActionButton(const QString& title, QWidget* parent)
    : QAbstractButton(parent), m_title(title), m_fade(new QVariantAnimation(this)) {
    // The title is kept apart from QAbstractButton::text so that an "&" never becomes a shortcut.
    setAccessibleName(title);
    setFont(FontFaces::face("Inter-Medium", 15));
    // A popover never takes keyboard focus from the application the user is typing in.
    setFocusPolicy(Qt::NoFocus);
    // A frame with only maximums: the pill takes what its row offers, up to 135 by 35.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    setMaximumSize(kMaximumWidth, kMaximumHeight);

    m_fade->setObjectName(QStringLiteral("hoverFade"));
    m_fade->setDuration(kFadeMilliseconds);
    m_fade->setEasingCurve(easeInOut());
    connect(m_fade, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_hoverProgress = value.toReal();
        update();
    });
}

QColor PopoverActionButton::fillColor() const {
    return mix(colorFromHex(PopoverPalette::kButtonFill),
               colorFromHex(PopoverPalette::kButtonFillHover), m_hoverProgress);
}

QSize PopoverActionButton::sizeHint() const {
    return maximumSize();
}

QSize PopoverActionButton::minimumSizeHint() const {
    // Squeezed by a narrow row, the pill still keeps room for its padded title.
    const QFontMetricsF metrics(font(), this);
    const int width =
        static_cast<int>(std::ceil(metrics.horizontalAdvance(m_title))) + 2 * kPadding;
    const int height = static_cast<int>(std::ceil(metrics.height())) + 2 * kPadding;
    return QSize(width, height).boundedTo(maximumSize());
}

void PopoverActionButton::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();
    const qreal radius = std::min({kCornerRadius, bounds.width() / 2, bounds.height() / 2});
    QPainterPath pill;
    pill.addRoundedRect(bounds, radius, radius);
    painter.fillPath(pill, fillColor());

    painter.setClipPath(pill);
    painter.setFont(font());
    painter.setPen(Qt::white);
    if (isDown()) {
        painter.setOpacity(kPressedTextOpacity);
    }
    // The padded title is centred in the pill; a title too wide for the pill ends in an ellipsis.
    const QRectF titleArea = bounds.adjusted(kPadding, 0, -kPadding, 0);
    const QString shown =
        QFontMetricsF(font(), this).elidedText(m_title, Qt::ElideRight, titleArea.width());
    painter.drawText(titleArea, Qt::AlignCenter | Qt::TextSingleLine, shown);
}

void PopoverActionButton::enterEvent(QEnterEvent* event) {
    setHovering(true);
    QAbstractButton::enterEvent(event);
}

void PopoverActionButton::leaveEvent(QEvent* event) {
    setHovering(false);
    QAbstractButton::leaveEvent(event);
}

void PopoverActionButton::setHovering(bool hovering) {
    if (hovering == m_hovering) {
        return;
    }
    m_hovering = hovering;
    // A fade reversed half-way starts from the colour on screen, never with a jump.
    m_fade->stop();
    m_fade->setStartValue(m_hoverProgress);
    m_fade->setEndValue(hovering ? 1.0 : 0.0);
    m_fade->start();
}

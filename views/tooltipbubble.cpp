#include "views/tooltipbubble.h"

#include "views/fontfaces.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

TooltipBubble::TooltipBubble(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("tooltipBubble"));
    setFont(FontFaces::face("Inter", 13));
    setAttribute(Qt::WA_TranslucentBackground);
    // The bubble overlaps the top of the line it explains; if it took the pointer, the line
    // would see the pointer leave and the bubble would flicker.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
}

void TooltipBubble::setText(const QString& text) {
    m_text = text;
    setAccessibleName(text);
    resize(sizeHint());
    update();
}

QSize TooltipBubble::sizeHint() const {
    const QFontMetricsF metrics(font(), this);
    return {static_cast<int>(std::ceil(metrics.horizontalAdvance(m_text))) + 2 * kPadding,
            static_cast<int>(std::ceil(metrics.height())) + 2 * kPadding};
}

void TooltipBubble::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
    QColor background(Qt::black);
    background.setAlphaF(static_cast<float>(kBackgroundOpacity));
    painter.fillPath(shape, background);
    painter.setPen(Qt::white);
    painter.setFont(font());
    painter.drawText(QRectF(rect()).adjusted(kPadding, kPadding, -kPadding, -kPadding),
                     Qt::AlignCenter | Qt::TextSingleLine, m_text);
}

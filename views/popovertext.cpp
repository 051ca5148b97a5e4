#include "views/popovertext.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

PopoverText::PopoverText(const QFont& font, QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setFont(font);
    QPalette white = palette();
    white.setColor(QPalette::WindowText, Qt::white);
    setPalette(white);
}

void PopoverText::setSingleLineElided(bool elided) {
    if (elided == m_elided) {
        return;
    }
    m_elided = elided;
    setWordWrap(!elided);
    setAlignment(Qt::AlignLeft | (elided ? Qt::AlignVCenter : Qt::AlignTop));
    updateGeometry();
    update();
}

QString PopoverText::shownText() const {
    if (!m_elided) {
        return text();
    }
    return QFontMetricsF(font(), this).elidedText(text(), Qt::ElideRight, contentsRect().width());
}

QSize PopoverText::sizeHint() const {
    const QMargins margins = contentsMargins();
    const int extraWidth = margins.left() + margins.right();
    if (m_elided) {
        // Whole pixels rounded up, so that text that fits is never cut short.
        const qreal advance = QFontMetricsF(font(), this).horizontalAdvance(text());
        return {static_cast<int>(std::ceil(advance)) + extraWidth,
                fontMetrics().height() + margins.top() + margins.bottom()};
    }
    // The label's own hint narrows wrapped text towards a pleasing shape; here wrapped text
    // takes the width it needs up to what it is given, as text on the panels should.
    const qreal natural = QFontMetricsF(font(), this).size(0, text()).width();
    const int width = std::min(static_cast<int>(std::ceil(natural)) + extraWidth, maximumWidth());
    return {width, heightForWidth(width)};
}

QSize PopoverText::minimumSizeHint() const {
    if (m_elided) {
        const QMargins margins = contentsMargins();
        return {
            fontMetrics().horizontalAdvance(QStringLiteral("…")) + margins.left() + margins.right(),
            fontMetrics().height() + margins.top() + margins.bottom()};
    }
    return QLabel::minimumSizeHint();
}

void PopoverText::paintEvent(QPaintEvent* event) {
    if (!m_elided) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    painter.setFont(font());
    painter.drawText(contentsRect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     shownText());
}

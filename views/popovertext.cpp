#include "views/popovertext.h"

#include "views/visiblename.h"

#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace {

// Lays `layout` out in lines of `width` and returns their height. Lines break between words
// where they can and anywhere in a word wider than the line, such as a device name without
// spaces, so text is never cut off at the side. Lines start on whole pixels, `leading` apart.
qreal layOutLines(QTextLayout& layout, qreal width, qreal leading) {
    QTextOption option(Qt::AlignLeft | Qt::AlignTop);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal bottom = -leading;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, std::ceil(bottom + leading)));
        bottom = line.position().y() + line.height();
    }
    layout.endLayout();
    return std::max(bottom, 0.0);
}

}  // namespace

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
    return nameCutToFit(text(), QFontMetricsF(font(), this), contentsRect().width());
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

int PopoverText::heightForWidth(int width) const {
    if (m_elided) {
        return QLabel::heightForWidth(width);
    }
    const QMargins margins = contentsMargins();
    QTextLayout layout(text(), font(), this);
    const qreal lines = layOutLines(layout, width - margins.left() - margins.right(),
                                    QFontMetricsF(font(), this).leading());
    return static_cast<int>(std::ceil(lines)) + margins.top() + margins.bottom();
}

QSize PopoverText::minimumSizeHint() const {
    const QMargins margins = contentsMargins();
    if (m_elided) {
        return {
            fontMetrics().horizontalAdvance(QStringLiteral("…")) + margins.left() + margins.right(),
            fontMetrics().height() + margins.top() + margins.bottom()};
    }
    // Wrapped text may break anywhere, so it can narrow to a single character; not to the
    // longest word, as a label would, which pushed a long name out of its row.
    return {fontMetrics().maxWidth() + margins.left() + margins.right(),
            fontMetrics().height() + margins.top() + margins.bottom()};
}

void PopoverText::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    painter.setFont(font());
    const QRect area = contentsRect();
    if (m_elided) {
        painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shownText());
        return;
    }
    QTextLayout layout(text(), font(), this);
    layOutLines(layout, area.width(), QFontMetricsF(font(), this).leading());
    layout.draw(&painter, area.topLeft());
}

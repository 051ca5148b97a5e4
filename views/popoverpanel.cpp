#include "views/popoverpanel.h"

#include "views/colorfromhex.h"
#include "views/popoverpalette.h"

#include <QPainter>
#include <QPainterPath>

PopoverPanel::PopoverPanel(qreal cornerRadius, QWidget* parent)
    : QWidget(parent), m_cornerRadius(cornerRadius) {
    setObjectName(QStringLiteral("panel"));
    // Only the rounded shape is painted; the corners must stay see-through.
    setAttribute(Qt::WA_TranslucentBackground);
}

void PopoverPanel::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
    painter.fillPath(shape, colorFromHex(PopoverPalette::kPanel));
}

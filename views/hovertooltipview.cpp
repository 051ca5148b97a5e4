#include "views/hovertooltipview.h"

#include "views/tooltipbubble.h"

#include <QEnterEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

HoverTooltipView::HoverTooltipView(std::unique_ptr<QWidget> content, QWidget* parent)
    : QWidget(parent), m_content(content.release()) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_content);
}

HoverTooltipView::~HoverTooltipView() {
    delete m_bubble;
}

void HoverTooltipView::setTooltip(std::optional<QString> tooltip) {
    m_tooltip = std::move(tooltip);
    updateBubble();
}

TooltipBubble* HoverTooltipView::visibleBubble() const {
    return m_bubble && !m_bubble->isHidden() ? m_bubble.data() : nullptr;
}

void HoverTooltipView::enterEvent(QEnterEvent* event) {
    m_hovered = true;
    updateBubble();
    QWidget::enterEvent(event);
}

void HoverTooltipView::leaveEvent(QEvent* event) {
    m_hovered = false;
    updateBubble();
    QWidget::leaveEvent(event);
}

void HoverTooltipView::hideEvent(QHideEvent* event) {
    m_hovered = false;
    updateBubble();
    QWidget::hideEvent(event);
}

void HoverTooltipView::moveEvent(QMoveEvent* event) {
    updateBubble();
    QWidget::moveEvent(event);
}

void HoverTooltipView::resizeEvent(QResizeEvent* event) {
    updateBubble();
    QWidget::resizeEvent(event);
}

void HoverTooltipView::updateBubble() {
    if (!m_hovered || !m_tooltip) {
        if (m_bubble) {
            m_bubble->hide();
        }
        return;
    }
    QWidget* const top = window();
    if (!m_bubble || m_bubble->parentWidget() != top) {
        delete m_bubble;
        m_bubble = new TooltipBubble(top);
    }
    m_bubble->setText(*m_tooltip);

    // Centred over this view with its top edge kRaise above ours. Where that would leave the
    // window, the bubble is kept inside it instead: a bubble cut in half by the window's edge
    // cannot be read.
    const QPoint origin = mapTo(top, QPoint(0, 0));
    const QSize size = m_bubble->size();
    const QRect area = top->rect();
    int x = origin.x() + (width() - size.width()) / 2;
    int y = origin.y() - kRaise;
    if (size.width() <= area.width()) {
        x = std::clamp(x, area.left(), area.right() + 1 - size.width());
    } else {
        x = area.left();
    }
    y = std::max(y, area.top());
    m_bubble->move(x, y);
    m_bubble->show();
    m_bubble->raise();
}

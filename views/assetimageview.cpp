#include "views/assetimageview.h"

#include "platform/desktop/assetcatalog.h"

#include <QPainter>

#include <utility>

AssetImageView::AssetImageView(std::string assetName, QSizeF imageSize, QWidget* parent)
    : QWidget(parent), m_assetName(std::move(assetName)), m_imageSize(imageSize) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize AssetImageView::sizeHint() const {
    const QMargins margins = contentsMargins();
    // Rounded to the nearest pixel so that what follows sits where the exact size puts it.
    return {qRound(m_imageSize.width()) + margins.left() + margins.right(),
            qRound(m_imageSize.height()) + margins.top() + margins.bottom()};
}

void AssetImageView::paintEvent(QPaintEvent* /*event*/) {
    const qreal ratio = devicePixelRatioF();
    if (m_rendered.isNull() || m_rendered.devicePixelRatio() != ratio) {
        m_rendered = AssetCatalog::pixmap(m_assetName, m_imageSize, ratio);
    }
    if (m_rendered.isNull()) {
        return;
    }
    // Drawn pixel for pixel: the rendering already has the exact, fractional size, and scaling
    // it again would blur it.
    QPainter painter(this);
    painter.drawPixmap(contentsRect().topLeft(), m_rendered);
}

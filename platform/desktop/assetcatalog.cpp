#include "platform/desktop/assetcatalog.h"

#include <QPainter>
#include <QSvgRenderer>

#include <cmath>

namespace {

QString resourcePath(std::string_view name) {
    return QStringLiteral(":/assets/%1.svg")
        .arg(QString::fromUtf8(name.data(), qsizetype(name.size())));
}

}  // namespace

QIcon AssetCatalog::icon(std::string_view name) {
    QIcon icon;
    // Rendered ahead at the sizes trays and menus ask for, at one and two pixels per point.
    for (const int side : {16, 22, 24, 32, 48, 64}) {
        for (const qreal ratio : {1.0, 2.0}) {
            const QPixmap rendered = pixmap(name, QSizeF(side, side), ratio);
            if (rendered.isNull()) {
                return {};
            }
            icon.addPixmap(rendered);
        }
    }
    return icon;
}

QPixmap AssetCatalog::pixmap(std::string_view name, QSizeF size, qreal devicePixelRatio) {
    QSvgRenderer renderer(resourcePath(name));
    if (!renderer.isValid()) {
        return {};
    }
    const QSize pixels(static_cast<int>(std::ceil(size.width() * devicePixelRatio)),
                       static_cast<int>(std::ceil(size.height() * devicePixelRatio)));
    QPixmap pixmap(pixels);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    // Stretched, not fitted: the artwork fills the frame whatever its proportions.
    renderer.setAspectRatioMode(Qt::IgnoreAspectRatio);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(pixels)));
    painter.end();
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

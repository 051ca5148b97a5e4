#include "platform/desktop/assetcatalog.h"

#include <QIconEngine>
#include <QPainter>
#include <QSvgRenderer>

#include <cmath>
#include <string>
#include <utility>

namespace {

QString resourcePath(std::string_view name) {
    return QStringLiteral(":/assets/%1.svg")
        .arg(QString::fromUtf8(name.data(), qsizetype(name.size())));
}

// Draws the artwork afresh for every size and pixel ratio asked for, so a tray or menu never
// shows an icon scaled from pixels rendered for another size, which blurs it.
class ArtworkIconEngine final : public QIconEngine {
public:
    explicit ArtworkIconEngine(std::string name) : m_name(std::move(name)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode /*mode*/,
               QIcon::State /*state*/) override {
        const qreal ratio = painter->device()->devicePixelRatioF();
        painter->drawPixmap(rect.topLeft(), AssetCatalog::pixmap(m_name, rect.size(), ratio));
    }
    // `size` is in device pixels: Qt multiplies by the pixel ratio before it asks.
    QPixmap pixmap(const QSize& size, QIcon::Mode /*mode*/, QIcon::State /*state*/) override {
        return AssetCatalog::pixmap(m_name, size, 1.0);
    }
    // The sizes a StatusNotifier host is sent ahead, as pixmaps.
    QList<QSize> availableSizes(QIcon::Mode /*mode*/, QIcon::State /*state*/) override {
        return {{16, 16}, {22, 22}, {24, 24}, {32, 32}, {48, 48}, {64, 64}};
    }
    bool isNull() override { return false; }
    QIconEngine* clone() const override { return new ArtworkIconEngine(m_name); }

private:
    std::string m_name;
};

}  // namespace

QIcon AssetCatalog::icon(std::string_view name) {
    if (!QSvgRenderer(resourcePath(name)).isValid()) {
        return {};
    }
    return QIcon(new ArtworkIconEngine(std::string(name)));
}

QPixmap AssetCatalog::pixmap(std::string_view name, QSizeF size, qreal devicePixelRatio) {
    QSvgRenderer renderer(resourcePath(name));
    if (!renderer.isValid()) {
        return {};
    }
    // The artwork covers exactly the size asked for, a fraction of a pixel included; the
    // pixmap rounds up to whole pixels, so it can be drawn pixel for pixel, never resampled.
    const QSizeF exact = size * devicePixelRatio;
    QPixmap pixmap(static_cast<int>(std::ceil(exact.width())),
                   static_cast<int>(std::ceil(exact.height())));
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    // Stretched, not fitted: the artwork fills the frame whatever its proportions.
    renderer.setAspectRatioMode(Qt::IgnoreAspectRatio);
    renderer.render(&painter, QRectF(QPointF(0, 0), exact));
    painter.end();
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

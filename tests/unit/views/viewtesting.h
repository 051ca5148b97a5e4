#pragma once

#include <QColor>
#include <QCoreApplication>
#include <QEnterEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>

// Small helpers for driving and reading popover widgets offscreen.
namespace ViewTesting {

// The descendant of `root` called `name`; a test failure when there is none.
template <typename T = QWidget>
T* namedChild(const QWidget& root, const char* name) {
    T* const found = root.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

inline void hover(QWidget* widget) {
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QCoreApplication::sendEvent(widget, &enter);
}

inline void unhover(QWidget* widget) {
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(widget, &leave);
}

// The widget as drawn, children included, one pixel per device-independent pixel.
inline QImage snapshot(QWidget& widget) {
    QCoreApplication::sendPostedEvents();
    return widget.grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

// `widget`'s rectangle in `ancestor`'s coordinates.
inline QRect rectIn(const QWidget* widget, const QWidget* ancestor) {
    return {widget->mapTo(ancestor, QPoint(0, 0)), widget->size()};
}

// The font as resolved, e.g. "Inter 600 15px", to compare family, weight and size at once.
inline QString describeFont(const QFont& font) {
    const QFontInfo info(font);
    return QStringLiteral("%1 %2 %3px").arg(info.family()).arg(info.weight()).arg(info.pixelSize());
}

inline QColor pixel(const QImage& image, QPoint point) {
    return image.pixelColor(point);
}

// How wide `text` is drawn as plain text wrapped at `width`: the widest of its lines.
inline int plainTextWidth(const QFont& font, const QString& text, int width) {
    return QFontMetrics(font)
        .boundingRect(QRect(0, 0, width, 10000), Qt::TextWordWrap, text)
        .width();
}

// The smallest rectangle inside `area` holding every pixel for which `ink` is true.
inline QRect inkBounds(const QImage& image, QRect area, const std::function<bool(QColor)>& ink) {
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (ink(image.pixelColor(x, y))) {
                bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return bounds;
}

}  // namespace ViewTesting

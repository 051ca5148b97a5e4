#pragma once

#include <QPixmap>
#include <QSizeF>
#include <QWidget>

#include <string>

// An image asset stretched to a fixed size that may be a fraction of a pixel, drawn at the top
// left of the contents rectangle; contents margins add room beside it.
class AssetImageView final : public QWidget {
    Q_OBJECT

public:
    AssetImageView(std::string assetName, QSizeF imageSize, QWidget* parent = nullptr);

    QSizeF imageSize() const { return m_imageSize; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::string m_assetName;
    QSizeF m_imageSize;
    // The artwork rendered for the last pixel ratio painted at.
    QPixmap m_rendered;
};

#pragma once

#include <QString>
#include <QWidget>

// The small dark bubble of a hover tooltip: one line of plain text at its natural size.
class TooltipBubble final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kPadding = 6;
    static constexpr qreal kCornerRadius = 5.0;
    static constexpr qreal kBackgroundOpacity = 0.85;

    explicit TooltipBubble(QWidget* parent = nullptr);

    // Shows `text` verbatim and takes the size it needs, however wide.
    void setText(const QString& text);
    QString text() const { return m_text; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
};

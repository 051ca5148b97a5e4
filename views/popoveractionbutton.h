#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QString>

class QVariantAnimation;

// The green pill button of the popovers. Its fill cross-fades to a brighter green while the
// pointer rests on it; pressing it emits clicked() once.
class PopoverActionButton final : public QAbstractButton {
    Q_OBJECT

public:
    // Space between the title and the pill's edges, before the pill is bounded by kMaximumSize.
    static constexpr int kPadding = 16;
    static constexpr int kMaximumWidth = 135;
    static constexpr int kMaximumHeight = 35;
    static constexpr int kFadeMilliseconds = 200;

    explicit PopoverActionButton(const QString& title, QWidget* parent = nullptr);

    QString title() const { return m_title; }
    bool isHovering() const { return m_hovering; }
    // The fill as drawn now: part-way between the two greens while the fade runs.
    QColor fillColor() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void setHovering(bool hovering);

    QString m_title;
    bool m_hovering = false;
    // 0 shows the resting green, 1 the hover green.
    qreal m_hoverProgress = 0.0;
    QVariantAnimation* m_fade = nullptr;
};

#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>
#include <optional>

class TooltipBubble;

// Wraps a view and, while the pointer is over it, shows a bubble with a full text just above
// it. The bubble lives on the top-level window so it can be wider than the wrapped view.
class HoverTooltipView final : public QWidget {
    Q_OBJECT

public:
    // How far the bubble's top edge sits above the wrapped view's top edge.
    static constexpr int kRaise = 25;

    explicit HoverTooltipView(std::unique_ptr<QWidget> content, QWidget* parent = nullptr);
    HoverTooltipView(const HoverTooltipView&) = delete;
    HoverTooltipView& operator=(const HoverTooltipView&) = delete;
    ~HoverTooltipView() override;

    QWidget* content() const { return m_content; }
    // What the bubble shows, verbatim; no bubble at all when there is none.
    void setTooltip(std::optional<QString> tooltip);
    const std::optional<QString>& tooltip() const { return m_tooltip; }
    bool isHovered() const { return m_hovered; }
    // The bubble while it is on screen, else null.
    TooltipBubble* visibleBubble() const;

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateBubble();

    QWidget* m_content = nullptr;
    std::optional<QString> m_tooltip;
    bool m_hovered = false;
    // Owned by the window it is shown on, which may outlive this view or go first.
    QPointer<TooltipBubble> m_bubble;
};

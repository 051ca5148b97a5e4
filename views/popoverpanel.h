#pragma once

#include <QWidget>

// The dark rounded panel a popover view draws on; outside its corners it leaves the
// translucent popover window clear.
class PopoverPanel final : public QWidget {
    Q_OBJECT

public:
    explicit PopoverPanel(qreal cornerRadius, QWidget* parent = nullptr);

    qreal cornerRadius() const { return m_cornerRadius; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal m_cornerRadius = 0.0;
};

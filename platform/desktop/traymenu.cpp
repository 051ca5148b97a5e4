#include "platform/desktop/traymenu.h"

#include "platform/desktop/toggleswitch.h"

#include <QLabel>
#include <QMouseEvent>
#include <QWidgetAction>

namespace {

constexpr QSize kRowSize(250, 22);
constexpr QRect kLabelFrame(12, 4, 170, 18);  // 12 from the left, its bottom on the row's
constexpr qreal kSwitchScale = 0.8;
constexpr qreal kSwitchRightMargin = 15;
constexpr int kLabelPixelSize = 13;

// A protection row: its title and a switch; a click anywhere on the row flips the switch.
class ProtectionRow final : public QWidget {
public:
    ProtectionRow(const MenuItem& item, QWidget* parent)
        : QWidget(parent), m_switch(new ToggleSwitch(this)) {
        setFixedSize(kRowSize);
        setObjectName(QString::fromStdString(item.title));
        setAccessibleName(QString::fromStdString(item.title));

        auto* label = new QLabel(QString::fromStdString(item.title), this);
        label->setTextFormat(Qt::PlainText);
        QFont font(QStringLiteral("Inter"));
        font.setPixelSize(kLabelPixelSize);
        label->setFont(font);
        label->setGeometry(kLabelFrame);

        m_switch->setChecked(item.on);
        m_switch->setAccessibleName(QString::fromStdString(item.title));
        m_switch->setDrawingScale(kSwitchScale);
        const QSizeF natural = m_switch->sizeHint();
        const qreal width = kSwitchScale * natural.width();
        const qreal height = kSwitchScale * natural.height();
        // Placed from the bottom edge upwards, as the row's layout was drawn: the lower gap is
        // (row - switch) / 2.4, so the switch sits slightly above the middle.
        const qreal bottomGap = (kRowSize.height() - height) / 2.4;
        m_switch->setGeometry(QRectF(kRowSize.width() - width - kSwitchRightMargin,
                                     kRowSize.height() - bottomGap - height, width, height)
                                  .toRect());
        auto toggled = item.toggled;
        connect(m_switch, &QAbstractButton::clicked, this,
                [toggled](bool checked) { toggled(checked ? 1 : 0); });
    }

    ToggleSwitch* toggleSwitch() const { return m_switch; }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (rect().contains(event->position().toPoint())) {
            m_switch->click();
        }
    }

private:
    ToggleSwitch* m_switch = nullptr;
};

}  // namespace

QKeySequence TrayMenu::shortcutFor(const std::string& keyEquivalent) {
    if (keyEquivalent.size() != 1) {
        return {};
    }
    const QChar key = QChar::fromLatin1(keyEquivalent.front());
    // An upper-case key equivalent carries Shift, as the letter itself says.
    const auto modifiers = key.isUpper() ? (Qt::CTRL | Qt::SHIFT) : Qt::CTRL;
    return {modifiers | static_cast<Qt::Key>(key.toUpper().unicode())};
}

TrayMenu::TrayMenu(Menu model, QWidget* parent) : QMenu(parent), m_model(std::move(model)) {
    setObjectName(QStringLiteral("trayMenu"));
    for (const MenuItem& item : m_model) {
        switch (item.kind) {
            case MenuItem::Kind::ProtectionSwitch:
                addProtectionSwitch(item);
                break;
            case MenuItem::Kind::ProtectionCheckbox:
                addProtectionCheckbox(item);
                break;
            case MenuItem::Kind::Command:
                addCommand(item);
                break;
            case MenuItem::Kind::Separator:
                addSeparator();
                break;
        }
    }
}

void TrayMenu::addProtectionSwitch(const MenuItem& item) {
    auto* action = new QWidgetAction(this);
    action->setDefaultWidget(new ProtectionRow(item, this));
    addAction(action);
}

void TrayMenu::addProtectionCheckbox(const MenuItem& item) {
    QAction* action = addAction(QString::fromStdString(item.title));
    action->setCheckable(true);
    action->setChecked(item.on);
    auto toggled = item.toggled;
    connect(action, &QAction::triggered, this,
            [toggled](bool checked) { toggled(checked ? 1 : 0); });
}

void TrayMenu::addCommand(const MenuItem& item) {
    QAction* action = addAction(QString::fromStdString(item.title));
    action->setShortcut(shortcutFor(item.keyEquivalent));
    action->setShortcutVisibleInContextMenu(true);
    auto triggered = item.triggered;
    connect(action, &QAction::triggered, this, [triggered] { triggered(); });
}

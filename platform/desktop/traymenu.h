#pragma once

#include "platform/ports/statusbar.h"

#include <QMenu>

// The status item's menu drawn by Qt from the agent's menu model.
class TrayMenu final : public QMenu {
    Q_OBJECT

public:
    explicit TrayMenu(Menu model, QWidget* parent = nullptr);

    // The shortcut a command shows for its key equivalent: Ctrl with the letter, and Shift when
    // the letter is upper case; none for anything but one letter.
    static QKeySequence shortcutFor(const std::string& keyEquivalent);

private:
    void addProtectionSwitch(const MenuItem& item);
    void addProtectionCheckbox(const MenuItem& item);
    void addCommand(const MenuItem& item);

    // Owns the callbacks the rows call.
    Menu m_model;
};

#pragma once

#include "platform/ports/statusbar.h"

#include <QMenu>

// The status item's menu drawn by Qt from the agent's menu model.
class TrayMenu final : public QMenu {
    Q_OBJECT

public:
    // Where the menu goes to a host that cannot carry widgets (`hostsWidgets` false), switch rows
    // become checkable items with the same titles and actions.
    explicit TrayMenu(Menu model, bool hostsWidgets = true, QWidget* parent = nullptr);

private:
    void addProtectionSwitch(const MenuItem& item);
    void addProtectionCheckbox(const MenuItem& item);
    void addCommand(const MenuItem& item);

    // Owns the callbacks the rows call.
    Menu m_model;
};

#pragma once

#include "agent/threat.h"

#include <QCoreApplication>
#include <QString>

#include <array>
#include <optional>

// One of the four field lines of the threat popover.
struct ThreatLine {
    enum class Face { InterSemiBold, SystemSemiBold };

    QString text;
    Face face = Face::InterSemiBold;
    // One line whose name, when too long, loses its middle to an ellipsis; otherwise the line
    // wraps as far as it needs.
    bool singleLineElided = false;
    // The full value shown above the line while the pointer is over it.
    std::optional<QString> tooltip;

    bool operator==(const ThreatLine&) const = default;
};

// What the threat popover's field lines say for the agent's waiting threats.
class ThreatLines final {
    Q_DECLARE_TR_FUNCTIONS(ThreatLines)

public:
    // Item name, threat name, location and status of `threat`; placeholders without one.
    static std::array<ThreatLine, 4> forThreat(const Threat* threat);
};

#include "views/threatlines.h"

#include "views/visiblename.h"

namespace {

ThreatLine wrapping(QString text, ThreatLine::Face face = ThreatLine::Face::InterSemiBold) {
    ThreatLine line;
    line.text = std::move(text);
    line.face = face;
    return line;
}

// A line cut short to one line; its whole value shows in the bubble above it.
ThreatLine elided(QString text, QString fullValue) {
    ThreatLine line;
    line.text = std::move(text);
    line.singleLineElided = true;
    line.tooltip = std::move(fullValue);
    return line;
}

}  // namespace

std::array<ThreatLine, 4> ThreatLines::forThreat(const Threat* threat) {
    if (threat == nullptr) {
        return {wrapping(tr("Item name: No Item.")), wrapping(tr("Threat name: Not Infected.")),
                wrapping(tr("Location: None.")), wrapping(tr("Status: None."))};
    }
    // File names come from the scanner's report and are shown only in their safe form.
    const QString itemName = visibleName(QString::fromStdString(threat->itemName));
    const QString location = visibleName(QString::fromStdString(threat->location));
    // The values go in as arguments, so a "%1" inside a file name stays as it is.
    return {elided(tr("Item name: %1").arg(itemName), itemName),
            wrapping(tr("Threat name: %1").arg(QString::fromStdString(threat->threatName)),
                     ThreatLine::Face::SystemSemiBold),
            elided(tr("Location: %1").arg(location), location),
            wrapping(tr("Status: %1").arg(QString::fromStdString(threat->status)))};
}

#pragma once

#include <QUuid>

#include <string>
#include <string_view>

// One detected threat as shown in the threat popover.
struct Threat {
    QUuid id;
    std::string itemName;
    std::string threatName;
    std::string location;
    std::string status;

    // The record for one line of the threat report file: the line is the quarantined path.
    static Threat fromReportLine(std::string_view line, QUuid id = QUuid::createUuid());
};

// The last component of `path`: the text after the last "/", ignoring trailing slashes.
std::string lastPathComponent(std::string_view path);

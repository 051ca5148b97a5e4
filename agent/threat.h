#pragma once

#include <QUuid>

#include <string>

// One detected threat as shown in the threat popover.
struct Threat {
    QUuid id;
    std::string itemName;
    std::string threatName;
    std::string location;
    std::string status;

    // The record for one line of the threat report file: the line is the quarantined path.
    static Threat fromReportLine(const std::string& line);
};

// The last component of `path`: the text after the last "/", ignoring trailing slashes.
std::string lastPathComponent(const std::string& path);

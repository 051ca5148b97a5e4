#include "threat.h"

Threat Threat::fromReportLine(const std::string& line) {
    return {QUuid::createUuid(), lastPathComponent(line), "Infected", line, "Quarantine"};
}

std::string lastPathComponent(const std::string& path) {
    const auto end = path.find_last_not_of('/');
    if (end == std::string::npos) {
        return path.empty() ? path : "/";
    }
    const auto slash = path.rfind('/', end);
    const auto start = slash == std::string::npos ? 0 : slash + 1;
    return path.substr(start, end + 1 - start);
}

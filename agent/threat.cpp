#include "agent/threat.h"

Threat Threat::fromReportLine(std::string_view line, QUuid id) {
    return {id, lastPathComponent(line), "Infected", std::string(line), "Quarantine"};
}

std::string lastPathComponent(std::string_view path) {
    const auto end = path.find_last_not_of('/');
    if (end == std::string_view::npos) {
        return path.empty() ? std::string() : "/";
    }
    const auto slash = path.rfind('/', end);
    const auto start = slash == std::string_view::npos ? 0 : slash + 1;
    return std::string(path.substr(start, end + 1 - start));
}

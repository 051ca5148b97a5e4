#include "reportfeed.h"

#include "runloop.h"

ReportFeed::ReportFeed(ReportFile file, RunLoop& runLoop, Handler handler)
    : m_file(std::move(file)), m_runLoop(runLoop), m_handler(std::move(handler)) {}

void ReportFeed::load() {
    auto lines = m_file.readEntries();
    if (!lines) {
        return;
    }
    m_runLoop.post([this, lines = std::move(*lines)] { processNewEntries(lines); });
}

void ReportFeed::processNewEntries(const std::vector<std::string>& lines) {
    for (const auto& line : lines) {
        if (m_processed.insert(line).second) {
            m_handler(line);
        }
    }
}

void ReportFeed::forget(const std::string& line) {
    m_processed.erase(line);
}

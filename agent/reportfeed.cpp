#include "reportfeed.h"

#include "runloop.h"

ReportFeed::ReportFeed(ReportFile file, RunLoop& runLoop, Handler handler)
    : m_file(std::move(file)), m_runLoop(runLoop), m_handler(std::move(handler)) {}

void ReportFeed::load() {
    // Reading and splitting a large file every second would cost far more than this stat.
    const auto stamp = FileStamp::ofSettledFile(m_file.path());
    if (stamp && stamp == m_readStamp) {
        return;
    }
    auto lines = m_file.readEntries();
    m_readStamp = lines ? stamp : std::nullopt;
    if (!lines || lines->empty()) {
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
    m_readStamp.reset();  // the line is new again even if the file stays as it is
}

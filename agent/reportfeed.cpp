#include "reportfeed.h"

#include "reporttext.h"
#include "runloop.h"

ReportFeed::ReportFeed(ReportFile file, RunLoop& runLoop, Handler handler)
    : m_file(std::move(file)), m_runLoop(runLoop), m_handler(std::move(handler)) {}

void ReportFeed::load() {
    // Reading and splitting a large file every second would cost far more than this stat.
    const auto stamp = FileStamp::ofSettledFile(m_file.path());
    if (stamp && stamp == m_readStamp) {
        return;
    }
    auto text = m_file.readText();
    m_readStamp = text ? stamp : std::nullopt;
    // A file rewritten or touched without a change, as it is in the seconds after every write,
    // holds no new line either; comparing the text costs far less than looking up every line.
    if (!text || text == m_readText) {
        return;
    }
    auto lines = ReportText::split(*text);
    m_readText = std::move(text);
    if (lines.empty()) {
        return;
    }
    m_runLoop.post([this, lines = std::move(lines)] { processNewEntries(lines); });
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
    // The line is new again even if the file stays as it is.
    m_readStamp.reset();
    m_readText.reset();
}

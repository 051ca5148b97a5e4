#include "reportfeed.h"

#include "reporttext.h"
#include "runloop.h"

#include <algorithm>

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
    if (!text) {
        return;
    }
    auto lines = linesToLookUp(*text);
    m_readText = std::move(text);
    if (lines.empty()) {
        return;
    }
    m_runLoop.post([this, lines = std::move(lines)] { processNewEntries(lines); });
}

std::vector<std::string> ReportFeed::linesToLookUp(std::string_view text) {
    if (!m_readText) {
        return ReportText::split(text);
    }
    // Whole lines the file still shares with the text read last at its start and its end were
    // handled then, as after a scanner's append or the removal of one entry, unless forgotten
    // since; looking up only the rest keeps a rewritten file about as cheap as reading it.
    const auto [begin, end] = ReportText::changedLines(*m_readText, text);
    std::vector<std::string> lines;
    const auto keepForgotten = [this, &lines](std::string_view entry) {
        if (std::ranges::find(m_forgotten, entry) != m_forgotten.end()) {
            lines.emplace_back(entry);
        }
    };
    if (!m_forgotten.empty()) {
        ReportText::forEachEntry(text.substr(0, begin), keepForgotten);
    }
    ReportText::forEachEntry(text.substr(begin, end - begin),
                             [&lines](std::string_view entry) { lines.emplace_back(entry); });
    if (!m_forgotten.empty()) {
        ReportText::forEachEntry(text.substr(end), keepForgotten);
    }
    m_forgotten.clear();
    return lines;
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
    m_forgotten.push_back(line);
}

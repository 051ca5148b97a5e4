#include "agent/reportfeed.h"

#include "agent/reportledger.h"
#include "agent/reporttext.h"
#include "platform/ports/runloop.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>

ReportFeed::ReportFeed(ReportFile file, RunLoop& runLoop, ReportLedger& ledger)
    : m_file(std::move(file)), m_runLoop(runLoop), m_ledger(ledger) {}

void ReportFeed::load() {
    // Reading and walking a large file every second would cost far more than this stat.
    const auto stamp = m_file.settledStamp();
    if (stamp && stamp == m_readStamp) {
        return;
    }
    m_readStamp.reset();
    const auto text = m_file.readText();
    if (!text) {
        return;
    }
    const std::size_t wanted = std::min(m_ledger.room(), kMaxLinesPerTick);
    std::vector<std::string> lines;
    std::unordered_set<std::string_view> taken;
    bool linesWait = false;
    ReportText::forEachEntry(*text, [&](std::string_view entry) {
        if (linesWait || m_ledger.isHandled(entry) || taken.contains(entry)) {
            return;
        }
        if (lines.size() == wanted) {
            linesWait = true;
            return;
        }
        taken.insert(entry);
        lines.emplace_back(entry);
    });
    // Lines that did not fit are looked for again at the next tick, changed file or not.
    if (!linesWait) {
        m_readStamp = stamp;
    }
    if (lines.empty()) {
        return;
    }
    m_runLoop.post([this, lines = std::move(lines)] { processNewEntries(lines); });
}

void ReportFeed::processNewEntries(const std::vector<std::string>& lines) {
    for (const auto& line : lines) {
        if (m_ledger.isHandled(line)) {
            continue;
        }
        if (m_ledger.room() == 0) {
            m_readStamp.reset();
            return;
        }
        m_ledger.handle(line);
    }
}

#include "agent/reportfeed.h"

#include "agent/reportledger.h"
#include "agent/reporttext.h"
#include "platform/ports/runloop.h"

#include <algorithm>
#include <string_view>

ReportFeed::ReportFeed(ReportFile file, RunLoop& runLoop, ReportLedger& ledger)
    : m_file(std::move(file)), m_runLoop(runLoop), m_ledger(ledger) {}

void ReportFeed::load() {
    // Reading and walking a large file every second would cost far more than this stat. Lines
    // left waiting for room are looked for again once there is room.
    const auto stamp = m_file.settledStamp();
    if (stamp && stamp == m_readStamp && !(m_waitingForRoom && m_ledger.room() > 0)) {
        return;
    }
    m_readStamp.reset();
    const auto text = m_file.readText();
    if (!text) {
        return;
    }
    const std::size_t room = m_ledger.room();
    const std::size_t wanted = std::min(room, kMaxLinesPerTick);
    // Copies of one new line are all taken: the hand-over skips the later ones, and a set to
    // tell them apart here would be one more table a crafted file could flood.
    std::vector<std::string> lines;
    std::size_t waitingLines = 0;
    std::size_t waitingBytes = 0;
    ReportText::forEachEntry(*text, [&](std::string_view entry) {
        if (waitingLines > 0) {
            ++waitingLines;  // counted, not looked up: an estimate for the ledger
            waitingBytes += entry.size();
            return;
        }
        if (m_ledger.isHandled(entry)) {
            return;
        }
        if (lines.size() == wanted) {
            ++waitingLines;
            waitingBytes += entry.size();
            return;
        }
        lines.emplace_back(entry);
    });
    // Lines the tick could not take are looked for again at the next tick, changed file or not;
    // lines that wait for room, when there is room.
    m_waitingForRoom = waitingLines > 0 && wanted == room;
    if (waitingLines == 0 || m_waitingForRoom) {
        m_readStamp = stamp;
    }
    if (waitingLines > 0) {
        m_ledger.expect(lines.size() + waitingLines, waitingBytes);
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
            m_waitingForRoom = true;
            return;
        }
        m_ledger.handle(line);
    }
}

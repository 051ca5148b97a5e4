#include "agent/reportfeed.h"

#include "agent/reportledger.h"
#include "agent/reporttext.h"
#include "platform/ports/runloop.h"

#include <algorithm>
#include <string_view>

ReportFeed::ReportFeed(ReportFile file, RunLoop& runLoop, ReportLedger& ledger)
    : m_file(std::move(file)), m_runLoop(runLoop), m_ledger(ledger) {}

void ReportFeed::load() {
    if (m_reading) {
        return;
    }
    // Reading and walking a large file every second would cost far more than this stat. Lines
    // left waiting for room are looked for again once there is room.
    const auto stamp = m_file.settledStamp();
    if (stamp && stamp == m_readStamp && !(m_waitingForRoom && m_ledger.room() > 0)) {
        return;
    }
    m_readStamp.reset();
    // Nothing to open until a file appears: no scanner has reported anything yet.
    if (stamp == FileStamp::absent()) {
        m_readStamp = stamp;
        return;
    }
    m_reading = true;
    readPiece(stamp);
}

void ReportFeed::readPiece(const std::optional<FileStamp>& stamp) {
    switch (m_file.readPiece()) {
        case ReportFile::Reading::InProgress:
            m_runLoop.post([this, stamp] { readPiece(stamp); });
            return;
        case ReportFile::Reading::Failed:
            m_reading = false;
            return;
        case ReportFile::Reading::Done:
            m_reading = false;
            collectNewEntries(m_file.text(), stamp);
            return;
    }
}

void ReportFeed::collectNewEntries(std::string_view text, const std::optional<FileStamp>& stamp) {
    const std::size_t room = m_ledger.room();
    const std::size_t wanted = std::min(room, kMaxLinesPerTick);
    // Copies of one new line are all taken: the hand-over skips the later ones, and a set to
    // tell them apart here would be one more table a crafted file could flood.
    std::vector<std::string> lines;
    std::size_t waitingLines = 0;
    std::size_t newBytes = 0;
    ReportText::forEachEntry(text, [&](std::string_view entry) {
        // Beyond the first line that has to wait, lines are counted, not looked up: an estimate
        // for the ledger.
        if (waitingLines == 0 && m_ledger.isHandled(entry)) {
            return;
        }
        newBytes += entry.size();
        if (waitingLines > 0 || lines.size() == wanted) {
            ++waitingLines;
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
        // Making room for a flood touches much memory: a turn of its own, before the hand-over.
        m_runLoop.post([this, expected = lines.size() + waitingLines, newBytes] {
            m_ledger.expect(expected, newBytes);
        });
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

#pragma once

#include "agent/reportfile.h"
#include "platform/ports/filesystem.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class ReportLedger;
class RunLoop;

// Turns the lines of one report file into one hand-over per line not handled before, in file
// order. A flood waits in the file: a tick hands over at most kMaxLinesPerTick lines, and no
// more than the ledger has room for. A large file is read a piece per turn of the run loop, so
// the user's clicks are never held up for long.
class ReportFeed final {
public:
    static constexpr std::size_t kMaxLinesPerTick = 50'000;

    ReportFeed(ReportFile file, RunLoop& runLoop, ReportLedger& ledger);

    // Starts reading the file and queues the hand-over of its new lines. An unreadable file is
    // skipped, and so is a file left unchanged since a read that left no line waiting, or one
    // still being read.
    void load();
    // Hands every line not yet handled to the ledger, once, in order, while it has room.
    void processNewEntries(const std::vector<std::string>& lines);
    // The ledger forgot a line: the file is read again even if it did not change.
    void lookAgain() { m_readStamp.reset(); }

    ReportFile& file() { return m_file; }

private:
    void readPiece(const std::optional<FileStamp>& stamp);
    void collectNewEntries(std::string_view text, const std::optional<FileStamp>& stamp);

    ReportFile m_file;
    RunLoop& m_runLoop;
    ReportLedger& m_ledger;
    // The file as it was when last read, while every line in it counts as handled or waits for
    // room in the ledger.
    std::optional<FileStamp> m_readStamp;
    bool m_waitingForRoom = false;
    bool m_reading = false;
};

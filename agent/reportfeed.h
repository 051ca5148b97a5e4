#pragma once

#include "filestamp.h"
#include "reportfile.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

class RunLoop;

// Turns the lines of one report file into one handler call per line not handled before.
class ReportFeed final {
public:
    using Handler = std::function<void(const std::string&)>;

    ReportFeed(ReportFile file, RunLoop& runLoop, Handler handler);

    // Reads the file now and queues the handling of its new lines; an unreadable file is skipped,
    // and so is a file left unchanged since the last read, which holds no new line.
    void load();
    // Hands every line not yet processed to the handler, once, in order.
    void processNewEntries(const std::vector<std::string>& lines);
    // Lets `line` count as new again the next time it is read.
    void forget(const std::string& line);

    const std::unordered_set<std::string>& processed() const { return m_processed; }
    const ReportFile& file() const { return m_file; }

private:
    // The lines of `text` that may not have been handled yet, in file order.
    std::vector<std::string> linesToLookUp(std::string_view text);

    ReportFile m_file;
    RunLoop& m_runLoop;
    Handler m_handler;
    std::unordered_set<std::string> m_processed;
    // The file as it was when last read, while every line read then still counts as handled.
    std::optional<FileStamp> m_readStamp;
    // The text last read: all its lines were handled, but for those forgotten since.
    std::optional<std::string> m_readText;
    std::vector<std::string> m_forgotten;
};

#pragma once

#include "reportfile.h"

#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

class RunLoop;

// Turns the lines of one report file into one handler call per line not handled before.
class ReportFeed final {
public:
    using Handler = std::function<void(const std::string&)>;

    ReportFeed(ReportFile file, RunLoop& runLoop, Handler handler);

    // Reads the file now and queues the handling of its new lines; an unreadable file is skipped.
    void load();
    // Hands every line not yet processed to the handler, once, in order.
    void processNewEntries(const std::vector<std::string>& lines);
    // Lets `line` count as new again the next time it is read.
    void forget(const std::string& line);

    const std::unordered_set<std::string>& processed() const { return m_processed; }
    const ReportFile& file() const { return m_file; }

private:
    ReportFile m_file;
    RunLoop& m_runLoop;
    Handler m_handler;
    std::unordered_set<std::string> m_processed;
};

#pragma once

#include "platform/ports/console.h"

// Standard output, written line by line without buffering so pipes see each line at once. When
// standard output is the journal's stream, each line carries its priority: warning for a failure,
// info for the rest, so that the journal can show the failures alone.
class StdoutConsole final : public Console {
public:
    // Looks once whether standard output is the journal's stream.
    StdoutConsole();

    void printLine(std::string_view line) override;

private:
    bool m_toJournal = false;
};

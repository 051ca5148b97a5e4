#pragma once

#include "platform/ports/console.h"

// Standard output, written line by line without buffering so pipes see each line at once.
class StdoutConsole final : public Console {
public:
    void printLine(std::string_view line) override;
};

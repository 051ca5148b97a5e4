#pragma once

#include <string_view>

// Where the agent reports its own work: one line per event.
class Console {
public:
    Console() = default;
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;
    virtual ~Console() = default;

    // Writes `line` and a newline, visible to a reader at once.
    virtual void printLine(std::string_view line) = 0;
};

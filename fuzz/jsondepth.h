#pragma once

#include <cstddef>
#include <string_view>

// The deepest bracket nesting in `text`, brackets inside JSON strings not counted. On text that
// is not JSON this is still an upper bound for how deep a parser gets before it gives up, as
// the parser reads strings the same way up to its first error. The parser takes a NUL byte for
// the end of its input, so nothing after one counts.
inline std::size_t jsonBracketDepth(std::string_view text) {
    std::size_t depth = 0;
    std::size_t deepest = 0;
    bool inString = false;
    bool escaped = false;
    for (const char c : text) {
        if (c == '\0') {
            break;
        }
        if (inString) {
            if (escaped) {
                escaped = false;
            } else if (c == '\\') {
                escaped = true;
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            ++depth;
            deepest = depth > deepest ? depth : deepest;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return deepest;
}

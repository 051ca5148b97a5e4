#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The line-per-entry text format of the scanner's report files.
namespace ReportText {

// The file's text as UTF-8: UTF-8 as it stands (a byte-order mark dropped), UTF-16 with a
// byte-order mark converted. Nothing when the bytes are not text in either form.
std::optional<std::string> decode(std::string bytes);

// The entries: pieces between line feeds, exactly as they stand, empty pieces left out.
std::vector<std::string> split(std::string_view text);

// Calls `visit` with each entry of `text`, as `split` cuts them, without copying them.
template <typename Visit>
void forEachEntry(std::string_view text, Visit&& visit) {
    while (!text.empty()) {
        const auto end = text.find('\n');
        if (const auto piece = text.substr(0, end); !piece.empty()) {
            visit(piece);
        }
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
}

// The part of `text` that may hold entries `before` did not: `text` without the whole lines it
// shares with `before` at its start and at its end. Unless empty, it starts and ends on line
// starts.
struct Span {
    std::size_t begin = 0;
    std::size_t end = 0;
};
Span changedLines(std::string_view before, std::string_view text);

// The file text for `entries`: joined by single line feeds, none after the last.
std::string join(const std::vector<std::string>& entries);

}  // namespace ReportText

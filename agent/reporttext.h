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

// Takes every copy of `entry` out of `text`, with the empty pieces: the rest is joined by single
// line feeds, none after the last. Works in place, so a flood-sized file is not held twice.
void removeEntry(std::string& text, std::string_view entry);

}  // namespace ReportText

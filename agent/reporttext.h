#pragma once

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

// The file text for `entries`: joined by single line feeds, none after the last.
std::string join(const std::vector<std::string>& entries);

}  // namespace ReportText

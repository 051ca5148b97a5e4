// Report files from arbitrary bytes: decoding agrees with a code-point model of strict UTF-8 and
// UTF-16, splitting yields clean entries that survive a join, and removing one entry takes out
// every copy of it and nothing else; the lines a rewrite or an append leaves as they were are
// told apart from the rest without losing one.

#include "fuzzsupport.h"
#include "agent/reportfile.h"
#include "agent/reporttext.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using CodePoints = std::vector<char32_t>;

bool isSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

// Decodes by the bit patterns, then rejects what strict UTF-8 forbids by value: overlong forms
// (below the smallest value of their length), surrogates and anything past U+10FFFF.
std::optional<CodePoints> utf8CodePoints(std::string_view bytes) {
    CodePoints points;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        int continuations = 0;
        char32_t value = 0;
        char32_t smallest = 0;
        if ((lead & 0x80) == 0) {
            value = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            continuations = 1, value = lead & 0x1F, smallest = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            continuations = 2, value = lead & 0x0F, smallest = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            continuations = 3, value = lead & 0x07, smallest = 0x10000;
        } else {
            return std::nullopt;
        }
        ++i;
        for (int k = 0; k < continuations; ++k, ++i) {
            if (i >= bytes.size() || (static_cast<unsigned char>(bytes[i]) & 0xC0) != 0x80) {
                return std::nullopt;
            }
            value = (value << 6) | (static_cast<unsigned char>(bytes[i]) & 0x3F);
        }
        if (value < smallest || isSurrogate(value) || value > 0x10FFFF) {
            return std::nullopt;
        }
        points.push_back(value);
    }
    return points;
}

std::optional<CodePoints> utf16CodePoints(std::string_view bytes, bool bigEndian) {
    if (bytes.size() % 2 != 0) {
        return std::nullopt;
    }
    std::vector<char32_t> units;
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        const char32_t high = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
        const char32_t low = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
        units.push_back(high * 256 + low);
    }
    CodePoints points;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char32_t unit = units[i];
        if (!isSurrogate(unit)) {
            points.push_back(unit);
        } else if (unit < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
                   units[i + 1] <= 0xDFFF) {
            points.push_back(0x10000 + (unit - 0xD800) * 0x400 + (units[i + 1] - 0xDC00));
            ++i;
        } else {
            return std::nullopt;
        }
    }
    return points;
}

// What the text of a report file is: UTF-16 after its byte-order mark, else UTF-8 with at most
// one byte-order mark in front.
std::optional<CodePoints> modelText(std::string_view bytes) {
    if (bytes.starts_with("\xFF\xFE")) {
        return utf16CodePoints(bytes.substr(2), false);
    }
    if (bytes.starts_with("\xFE\xFF")) {
        return utf16CodePoints(bytes.substr(2), true);
    }
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
    }
    return utf8CodePoints(bytes);
}

std::vector<std::string> modelEntries(std::string_view text) {
    std::vector<std::string> entries;
    std::string current;
    for (const char c : text) {
        if (c != '\n') {
            current.push_back(c);
        } else if (!current.empty()) {
            entries.push_back(std::move(current));
            current.clear();
        }
    }
    if (!current.empty()) {
        entries.push_back(std::move(current));
    }
    return entries;
}

std::optional<std::vector<std::string>> entriesOf(const ReportFile& report) {
    const auto text = report.readText();
    return text ? std::optional(ReportText::split(*text)) : std::nullopt;
}

// Every entry of `text` outside the part `changedLines` marks is an entry of `before`, so it was
// handled when `before` was read; the part is empty or starts and ends on line starts.
void checkChangedLines(std::string_view before, std::string_view text) {
    const auto [begin, end] = ReportText::changedLines(before, text);
    FUZZ_CHECK(begin <= end && end <= text.size());
    FUZZ_CHECK(begin == end || begin == 0 || text[begin - 1] == '\n');
    FUZZ_CHECK(end == text.size() || text[end - 1] == '\n');
    const auto known = modelEntries(before);
    for (const auto outside : {text.substr(0, begin), text.substr(end)}) {
        for (const auto& entry : modelEntries(outside)) {
            FUZZ_CHECK(std::ranges::find(known, entry) != known.end());
        }
    }
}

}  // namespace

// The first byte chooses what to remove: with bit 7 clear one of the entries (the rest of the
// byte picks which), with it set a string that is one byte short of one, usually no entry.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::uint8_t chooser = data[0];
    const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);

    const auto text = ReportText::decode(bytes);
    const auto model = modelText(bytes);
    FUZZ_CHECK(text.has_value() == model.has_value());
    if (text) {
        FUZZ_CHECK(utf8CodePoints(*text) == model);
        if (!bytes.starts_with("\xFF\xFE") && !bytes.starts_with("\xFE\xFF")) {
            // UTF-8 is taken byte for byte.
            FUZZ_CHECK(*text == (bytes.starts_with("\xEF\xBB\xBF") ? bytes.substr(3) : bytes));
        }
    }

    const auto entries = text ? ReportText::split(*text) : std::vector<std::string>{};
    if (text) {
        FUZZ_CHECK(entries == modelEntries(*text));
        for (const auto& entry : entries) {
            FUZZ_CHECK(!entry.empty() && entry.find('\n') == std::string::npos);
        }
        FUZZ_CHECK(ReportText::split(ReportText::join(entries)) == entries);
    }

    const ReportFile report(FuzzSupport::scratchHome(), "report.txt");
    FuzzSupport::writeBytes(report.path(), bytes);
    const auto read = entriesOf(report);
    FUZZ_CHECK(read.has_value() == text.has_value());
    if (read) {
        FUZZ_CHECK(*read == entries);
    }

    std::string target = "absent";
    if (!entries.empty()) {
        target = entries[(chooser & 0x7F) % entries.size()];
        if ((chooser & 0x80) != 0) {
            target.pop_back();
        }
    }
    FUZZ_CHECK(!report.removeEntry(target).has_value());
    const std::string after = FuzzSupport::readBytes(report.path());
    if (!text) {
        // Not text: nothing to take out, so the file is not touched.
        FUZZ_CHECK(after == bytes);
        return 0;
    }

    std::vector<std::string> kept;
    for (const auto& entry : entries) {
        if (entry != target) {
            kept.push_back(entry);
        }
    }
    const auto reread = entriesOf(report);
    FUZZ_CHECK(reread.has_value() && *reread == kept);
    // Rewritten as UTF-8 without blank lines or a final line feed; a byte-order mark only where
    // the first entry starts with U+FEFF, which would otherwise be taken for one.
    std::string joined;
    for (const auto& entry : kept) {
        joined += (joined.empty() ? "" : "\n") + entry;
    }
    const bool marked = joined.starts_with("\xEF\xBB\xBF");
    FUZZ_CHECK(after == (marked ? "\xEF\xBB\xBF" + joined : joined));

    // The file before and after the removal, either way round, and with a scanner's append.
    checkChangedLines(*text, joined);
    checkChangedLines(joined, *text);
    checkChangedLines(joined, joined + "\n" + target);
    return 0;
}

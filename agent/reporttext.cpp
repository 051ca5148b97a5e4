#include "agent/reporttext.h"

#include <algorithm>

namespace {

// Strict UTF-8: no overlong forms, no surrogates, nothing beyond U+10FFFF.
bool isValidUtf8(std::string_view text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const size_t size = text.size();
    size_t i = 0;
    while (i < size) {
        const unsigned char lead = bytes[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        size_t length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (size - i < length || bytes[i + 1] < low || bytes[i + 1] > high) {
            return false;
        }
        for (size_t k = 2; k < length; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

void appendUtf8(std::string& text, char32_t codePoint) {
    if (codePoint < 0x80) {
        text.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        text.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
        text.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        text.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
        text.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        text.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
        text.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}

// Strict UTF-16 (an odd byte count or an unpaired surrogate is not text) converted to UTF-8.
std::optional<std::string> decodeUtf16(std::string_view bytes, bool bigEndian) {
    if (bytes.size() % 2 != 0) {
        return std::nullopt;
    }
    const auto unitAt = [&](size_t index) {
        const auto first = static_cast<unsigned char>(bytes[index]);
        const auto second = static_cast<unsigned char>(bytes[index + 1]);
        return static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
    };
    std::string text;
    text.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); i += 2) {
        const char16_t unit = unitAt(i);
        if (unit >= 0xDC00 && unit <= 0xDFFF) {
            return std::nullopt;
        }
        if (unit < 0xD800 || unit > 0xDBFF) {
            appendUtf8(text, unit);
            continue;
        }
        if (i + 2 >= bytes.size()) {
            return std::nullopt;
        }
        const char16_t low = unitAt(i + 2);
        if (low < 0xDC00 || low > 0xDFFF) {
            return std::nullopt;
        }
        appendUtf8(text, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(low) - 0xDC00));
        i += 2;
    }
    return text;
}

}  // namespace

std::optional<std::string> ReportText::decode(std::string bytes) {
    const std::string_view view = bytes;
    if (view.starts_with("\xFF\xFE")) {
        return decodeUtf16(view.substr(2), false);
    }
    if (view.starts_with("\xFE\xFF")) {
        return decodeUtf16(view.substr(2), true);
    }
    if (view.starts_with("\xEF\xBB\xBF")) {
        bytes.erase(0, 3);
    }
    if (!isValidUtf8(bytes)) {
        return std::nullopt;
    }
    return bytes;
}

std::vector<std::string> ReportText::split(std::string_view text) {
    std::vector<std::string> entries;
    forEachEntry(text, [&entries](std::string_view entry) { entries.emplace_back(entry); });
    return entries;
}

void ReportText::removeEntry(std::string& text, std::string_view entry) {
    std::size_t kept = 0;
    forEachEntry(std::string_view(text), [&](std::string_view piece) {
        if (piece == entry) {
            return;
        }
        // Kept pieces only ever move towards the start, so copying forward is safe.
        const auto from = static_cast<std::size_t>(piece.data() - text.data());
        if (kept > 0) {
            text[kept++] = '\n';
        }
        std::copy(text.begin() + static_cast<std::ptrdiff_t>(from),
                  text.begin() + static_cast<std::ptrdiff_t>(from + piece.size()),
                  text.begin() + static_cast<std::ptrdiff_t>(kept));
        kept += piece.size();
    });
    text.resize(kept);
}

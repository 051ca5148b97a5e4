// colorFromHex against a byte-level model of its rules: surrounding white space (Unicode's, in
// UTF-8) trimmed, one "#" skipped, then a hex scan that skips white space, takes an optional 0x,
// stops at the first non-digit, gives 0 without digits and all ones past 16 significant digits.

#include "views/colorfromhex.h"
#include "fuzzsupport.h"

#include <QColor>

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

// The UTF-8 length of the white-space character at the front of `rest`, 0 when there is none.
// Only code points that are white space in Unicode count: tab to carriage return, space, next
// line, no-break space and the space, line and paragraph separators.
std::size_t whiteSpaceLength(std::string_view rest) {
    constexpr std::string_view kMultiByte[] = {
        "\xC2\x85",     "\xC2\xA0",     "\xE1\x9A\x80", "\xE2\x80\x80", "\xE2\x80\x81",
        "\xE2\x80\x82", "\xE2\x80\x83", "\xE2\x80\x84", "\xE2\x80\x85", "\xE2\x80\x86",
        "\xE2\x80\x87", "\xE2\x80\x88", "\xE2\x80\x89", "\xE2\x80\x8A", "\xE2\x80\xA8",
        "\xE2\x80\xA9", "\xE2\x80\xAF", "\xE2\x81\x9F", "\xE3\x80\x80",
    };
    if (rest.empty()) {
        return 0;
    }
    if (rest[0] == ' ' || (rest[0] >= '\t' && rest[0] <= '\r')) {
        return 1;
    }
    for (const auto space : kMultiByte) {
        if (rest.starts_with(space)) {
            return space.size();
        }
    }
    return 0;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Trailing white space needs no state: the scan stops at the first white space after a digit
// anyway, and white space alone gives 0 either way.
std::uint64_t modelValue(std::string_view text) {
    enum class State { Leading, AfterHash, Prefix, Digits };
    State state = State::Leading;
    unsigned __int128 value = 0;
    int significantDigits = 0;
    while (!text.empty()) {
        const std::size_t space = whiteSpaceLength(text);
        if (state == State::Leading || state == State::AfterHash) {
            if (space > 0) {
                text.remove_prefix(space);
                continue;
            }
            if (state == State::Leading && text[0] == '#') {
                state = State::AfterHash;
                text.remove_prefix(1);
                continue;
            }
            state = State::Prefix;
        }
        if (state == State::Prefix) {
            state = State::Digits;
            if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
                text.remove_prefix(2);
                continue;
            }
        }
        const int digit = hexDigit(text[0]);
        if (digit < 0) {
            break;
        }
        if (significantDigits > 0 || digit > 0) {
            ++significantDigits;
        }
        // 17 digits still fit in 128 bits; beyond that only the count matters.
        if (significantDigits <= 17) {
            value = value * 16 + static_cast<unsigned>(digit);
        }
        text.remove_prefix(1);
    }
    if (significantDigits > 16) {
        return UINT64_MAX;
    }
    return static_cast<std::uint64_t>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const QColor color = colorFromHex(text);
    const std::uint64_t expected = modelValue(text);
    FUZZ_CHECK(color.isValid());
    FUZZ_CHECK(color.spec() == QColor::Rgb);
    FUZZ_CHECK(color.alpha() == 255);
    FUZZ_CHECK(static_cast<std::uint64_t>(color.red()) == ((expected >> 16) & 0xFF));
    FUZZ_CHECK(static_cast<std::uint64_t>(color.green()) == ((expected >> 8) & 0xFF));
    FUZZ_CHECK(static_cast<std::uint64_t>(color.blue()) == (expected & 0xFF));
    return 0;
}

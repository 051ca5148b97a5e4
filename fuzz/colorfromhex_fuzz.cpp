// colorFromHex against a byte-level model of its rules: Unicode white space (in UTF-8) trimmed,
// one "#" skipped, then a hex scan that skips white space, takes an optional 0x, stops at the
// first non-digit, gives 0 without digits and all ones past 16 significant digits.

#include "fuzzsupport.h"
#include "views/colorfromhex.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

namespace {

// The length of the white space at the front of `text`, in UTF-8: tab to carriage return, space,
// next line, no-break space, and the space, line and paragraph separators.
std::size_t leadingSpace(std::string_view text) {
    constexpr std::string_view kMultiByte[] = {
        "\xC2\x85",     "\xC2\xA0",     "\xE1\x9A\x80", "\xE2\x80\x80", "\xE2\x80\x81",
        "\xE2\x80\x82", "\xE2\x80\x83", "\xE2\x80\x84", "\xE2\x80\x85", "\xE2\x80\x86",
        "\xE2\x80\x87", "\xE2\x80\x88", "\xE2\x80\x89", "\xE2\x80\x8A", "\xE2\x80\xA8",
        "\xE2\x80\xA9", "\xE2\x80\xAF", "\xE2\x81\x9F", "\xE3\x80\x80",
    };
    const auto* space =
        std::ranges::find_if(kMultiByte, [&](auto s) { return text.starts_with(s); });
    std::size_t length = space == std::end(kMultiByte) ? 0 : space->size();
    if (!text.empty() && (text[0] == ' ' || (text[0] >= '\t' && text[0] <= '\r'))) {
        length = 1;
    }
    return length == 0 ? 0 : length + leadingSpace(text.substr(length));
}

// White space after the digits needs no trimming: the scan stops at it.
std::uint64_t modelValue(std::string_view text) {
    text.remove_prefix(leadingSpace(text));
    text.remove_prefix(text.starts_with('#') ? 1 + leadingSpace(text.substr(1)) : 0);
    text.remove_prefix(text.starts_with("0x") || text.starts_with("0X") ? 2 : 0);
    std::uint64_t value = 0;
    int significantDigits = 0;
    for (; !text.empty(); text.remove_prefix(1)) {
        const auto digit = std::string_view("0123456789abcdef0123456789ABCDEF").find(text[0]);
        if (digit == std::string_view::npos) {
            break;
        }
        significantDigits += significantDigits > 0 || digit % 16 > 0 ? 1 : 0;
        value = significantDigits > 16 ? UINT64_MAX : value * 16 + digit % 16;
    }
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const QColor color = colorFromHex(text);
    const std::uint64_t expected = modelValue(text);
    FUZZ_CHECK(color.isValid() && color.spec() == QColor::Rgb);
    FUZZ_CHECK(color.rgba() == (0xFF000000U | (expected & 0xFFFFFF)));
    return 0;
}

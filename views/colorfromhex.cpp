#include "views/colorfromhex.h"

#include <QString>
#include <QStringDecoder>

#include <cstdint>
#include <limits>
#include <optional>

namespace {

std::optional<unsigned> hexDigitValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') {
        return u - u'0';
    }
    if (u >= u'a' && u <= u'f') {
        return u - u'a' + 10;
    }
    if (u >= u'A' && u <= u'F') {
        return u - u'A' + 10;
    }
    return std::nullopt;
}

// Reads a hexadecimal number at `position` the way a text scanner does: whitespace first, an
// optional 0x prefix, then digits up to the first non-digit. More than 16 significant digits
// saturate to all ones; no digits at all leave 0.
std::uint64_t scanHex(const QString& text, qsizetype position) {
    while (position < text.size() && text[position].isSpace()) {
        ++position;
    }
    // "0x" without digits after it reads as the number 0 either way.
    if (QStringView(text).mid(position, 2).compare(u"0x", Qt::CaseInsensitive) == 0) {
        position += 2;
    }
    constexpr std::uint64_t kLastSafeValue = std::numeric_limits<std::uint64_t>::max() >> 4;
    std::uint64_t value = 0;
    bool overflowed = false;
    for (; position < text.size(); ++position) {
        const auto digit = hexDigitValue(text[position]);
        if (!digit) {
            break;
        }
        if (value > kLastSafeValue) {
            overflowed = true;
        } else {
            value = (value << 4) | *digit;
        }
    }
    return overflowed ? std::numeric_limits<std::uint64_t>::max() : value;
}

}  // namespace

QColor colorFromHex(std::string_view hex) {
    // Decoded first so that trimming and skipping know every kind of Unicode whitespace. A
    // leading byte-order mark is kept: it is not white space, so such text does not parse,
    // whereas QString::fromUtf8 would drop it silently.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom);
    const QString text =
        QString(decoder(QByteArrayView(hex.data(), static_cast<qsizetype>(hex.size())))).trimmed();
    const qsizetype start = text.startsWith(u'#') ? 1 : 0;
    const std::uint64_t value = scanHex(text, start);
    return QColor::fromRgb(static_cast<int>((value >> 16) & 0xFF),
                           static_cast<int>((value >> 8) & 0xFF), static_cast<int>(value & 0xFF));
}

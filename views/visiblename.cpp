#include "views/visiblename.h"

#include <QList>

namespace {

constexpr char16_t kFirstStrongIsolate = u'\u2068';
constexpr char16_t kPopDirectionalIsolate = u'\u2069';
constexpr char32_t kZeroWidthJoiner = U'\u200D';
constexpr char32_t kEmojiPresentation = U'\uFE0F';
constexpr char32_t kFirstSkinTone = U'\U0001F3FB';
constexpr char32_t kLastSkinTone = U'\U0001F3FF';

bool drawsNothingOrSteers(char32_t c) {
    switch (QChar::category(c)) {
        case QChar::Other_Control:
        case QChar::Other_Format:
        case QChar::Other_Surrogate:
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph:
            return true;
        default:
            return false;
    }
}

// The end of an emoji that a joiner may fuse with the next one into a single picture.
bool endsEmoji(char32_t c) {
    return QChar::category(c) == QChar::Symbol_Other || c == kEmojiPresentation ||
           (c >= kFirstSkinTone && c <= kLastSkinTone);
}

// A joiner inside an emoji sequence (a family, a profession) draws a picture, not a hidden
// gap; anywhere else it is shown like any other invisible character.
bool joinsEmoji(const QList<uint>& points, qsizetype at) {
    return points[at] == kZeroWidthJoiner && at > 0 && at + 1 < points.size() &&
           endsEmoji(points[at - 1]) && QChar::category(points[at + 1]) == QChar::Symbol_Other;
}

}  // namespace

QString visibleName(const QString& name) {
    const QList<uint> points = name.toUcs4();
    QString shown;
    shown.reserve(name.size() + 2);
    shown += kFirstStrongIsolate;
    for (qsizetype at = 0; at < points.size(); ++at) {
        const char32_t c = points[at];
        if (drawsNothingOrSteers(c) && !joinsEmoji(points, at)) {
            shown += QStringLiteral("<U+%1>").arg(QString::number(c, 16).toUpper(), 4, u'0');
        } else {
            shown += QChar::fromUcs4(c);
        }
    }
    shown += kPopDirectionalIsolate;
    return shown;
}

#include "views/visiblename.h"

#include <QList>
#include <QTextBoundaryFinder>

#include <algorithm>

namespace {

constexpr char16_t kFirstStrongIsolate = u'\u2068';
constexpr char16_t kPopDirectionalIsolate = u'\u2069';
constexpr char32_t kZeroWidthJoiner = U'\u200D';
constexpr char32_t kEmojiPresentation = U'\uFE0F';
constexpr char32_t kFirstSkinTone = U'\U0001F3FB';
constexpr char32_t kLastSkinTone = U'\U0001F3FF';

// How a hidden character is written out: "<U+" and four to six upper-case hex digits, ">".
const QString kEscape = QStringLiteral("<U+%1>");
constexpr QStringView kEscapeOpening = u"<U+";
constexpr qsizetype kFewestEscapeDigits = 4;
constexpr qsizetype kMostEscapeDigits = 6;

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
            shown += kEscape.arg(QString::number(c, 16).toUpper(), 4, u'0');
        } else {
            shown += QChar::fromUcs4(c);
        }
    }
    shown += kPopDirectionalIsolate;
    return shown;
}

namespace {

bool isUpperHexDigit(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F');
}

// Start and end of each written-out hidden character in `name`. A scan, not a regular
// expression: the expression engine's compiler would stay in memory for the agent's lifetime.
QList<qsizetype> escapeBounds(QStringView name) {
    QList<qsizetype> bounds;
    qsizetype at = name.indexOf(kEscapeOpening);
    while (at >= 0) {
        const qsizetype firstDigit = at + kEscapeOpening.size();
        qsizetype closing = firstDigit;
        while (closing < name.size() && closing - firstDigit <= kMostEscapeDigits &&
               isUpperHexDigit(name[closing])) {
            ++closing;
        }
        const qsizetype digits = closing - firstDigit;
        const bool escape = digits >= kFewestEscapeDigits && digits <= kMostEscapeDigits &&
                            closing < name.size() && name[closing] == u'>';
        if (escape) {
            bounds << at << closing + 1;
        }
        at = name.indexOf(kEscapeOpening, escape ? closing + 1 : at + 1);
    }
    return bounds;
}

// Where `name`, as shown, may be cut: between characters as the reader sees them (a letter and
// its accents, an emoji with its joiners and skin tone), never inside a written-out <U+XXXX>.
QList<qsizetype> cutPoints(QStringView name) {
    const QList<qsizetype> escapes = escapeBounds(name);
    QList<qsizetype> points{0};
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, name);
    for (qsizetype at = graphemes.toNextBoundary(); at > 0; at = graphemes.toNextBoundary()) {
        // Inside an escape when an odd number of bounds lie at or before `at`, the last of them
        // a start other than `at`.
        const auto bound = std::upper_bound(escapes.cbegin(), escapes.cend(), at);
        if ((bound - escapes.cbegin()) % 2 == 0 || *(bound - 1) == at) {
            points << at;
        }
    }
    return points;
}

}  // namespace

QString nameCutToFit(const QString& line, const QFontMetricsF& metrics, qreal width) {
    if (metrics.horizontalAdvance(line) <= width) {
        return line;
    }
    // Without an isolate the whole line is the name: start 0, end at the line's end.
    const qsizetype start = line.indexOf(kFirstStrongIsolate) + 1;
    qsizetype end = line.indexOf(kPopDirectionalIsolate, start);
    end = end < 0 ? line.size() : end;
    const QString name = line.sliced(start, end - start);
    const QList<qsizetype> cuts = cutPoints(name);
    // The name keeps cuts[head] characters at its start and those from cuts[tail] on.
    const auto cut = [&](qsizetype head, qsizetype tail) {
        return line.first(start) + name.first(cuts[head]) + u'…' + name.sliced(cuts[tail]) +
               line.sliced(end);
    };
    qsizetype head = 0;
    qsizetype tail = cuts.size() - 1;
    // Whole pieces from both ends, the narrower end first, as long as the line fits: the start
    // and the ending (the extension) of the name both show.
    while (head + 1 < tail) {
        const bool front = metrics.horizontalAdvance(name.first(cuts[head])) <=
                           metrics.horizontalAdvance(name.sliced(cuts[tail]));
        const qsizetype nextHead = front ? head + 1 : head;
        const qsizetype nextTail = front ? tail : tail - 1;
        if (metrics.horizontalAdvance(cut(nextHead, nextTail)) > width) {
            break;
        }
        head = nextHead;
        tail = nextTail;
    }
    return cut(head, tail);
}

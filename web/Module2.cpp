#include "Module2.h"

#include <QRegularExpression>
#include <QStringView>

#include <algorithm>

namespace {

const QString lazyCapture = QStringLiteral("(.+?)");

bool isPlainText(QStringView part)
{
    static const QString syntax = QStringLiteral("\\^$.|?*+()[]{");
    for (const QChar c : part) {
        // Surrogates stay with the engine: it rejects a pattern with a lone one, and keeping them out
        // means a part can never start in the middle of a character of the text.
        if (syntax.contains(c) || c.isSurrogate())
            return false;
    }
    return !part.isEmpty();
}

// The engine refuses to search text that is not well-formed UTF-16 and finds nothing in it.
bool isWellFormedUtf16(QStringView text)
{
    const qsizetype n = text.size();
    const QChar *chars = text.data();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = chars[i].unicode();
        if (c < 0xD800 || c > 0xDFFF)
            continue;
        if (c >= 0xDC00 || i + 1 == n || !QChar::isLowSurrogate(chars[i + 1].unicode()))
            return false;
        ++i;
    }
    return true;
}

} // namespace

QStringList RegexMatchAll(const QString &pattern, const QString &text)
{
    // Both patterns of the tool have the literal-span form. The engine's lazy capture re-scans to the
    // end of the line from every opening that has no closing on its line, which is quadratic on a long
    // line full of openings; the plain search is linear.
    if (const auto span = PatternMatching::literalSpanOf(pattern))
        return PatternMatching::matchLiteralSpan(*span, text);
    return PatternMatching::matchWithRegularExpression(pattern, text);
}

namespace PatternMatching {

std::optional<LiteralSpan> literalSpanOf(const QString &pattern)
{
    const qsizetype capture = pattern.indexOf(lazyCapture);
    if (capture < 0)
        return std::nullopt;
    const QStringView opening = QStringView(pattern).left(capture);
    const QStringView closing = QStringView(pattern).mid(capture + lazyCapture.size());
    if (!isPlainText(opening) || !isPlainText(closing))
        return std::nullopt;
    return LiteralSpan{opening.toString(), closing.toString()};
}

QStringList matchLiteralSpan(const LiteralSpan &span, const QString &text)
{
    QStringList captures;
    if (!isWellFormedUtf16(text))
        return captures;

    const QStringView view(text);
    const qsizetype n = view.size();
    const qsizetype openingLength = span.opening.size();
    const qsizetype closingLength = span.closing.size();
    qsizetype from = 0;
    qsizetype lineEnd = -1; // the first line feed at or after the current capture start, or n

    while (from < n) {
        const qsizetype opening = view.indexOf(span.opening, from);
        if (opening < 0)
            break;
        const qsizetype start = opening + openingLength;
        if (start >= n)
            break; // the capture needs at least one character
        if (lineEnd < start) {
            lineEnd = view.indexOf(u'\n', start);
            if (lineEnd < 0)
                lineEnd = n;
        }

        // The capture is one or more characters other than a line feed, so the closing starts
        // after the first character and at the latest at the line end (where it may itself begin
        // with the line feed). A surrogate pair needs no care: the closing holds no surrogate and
        // so cannot start on the second half of one.
        const qsizetype searchFrom = start + 1;
        const qsizetype searchEnd = std::min(n, lineEnd + closingLength);
        const qsizetype found =
            searchFrom < searchEnd ? view.mid(searchFrom, searchEnd - searchFrom).indexOf(span.closing) : -1;
        if (found < 0) {
            // Every later opening on this line has a shorter stretch to search, within this one:
            // it cannot find a closing either. Go on with the first opening that ends past the line.
            if (lineEnd >= n)
                break;
            from = lineEnd - openingLength + 1;
            continue;
        }
        const qsizetype closing = searchFrom + found;
        captures.append(text.mid(start, closing - start));
        from = closing + closingLength;
    }
    return captures;
}

QStringList matchWithRegularExpression(const QString &pattern, const QString &text)
{
    QStringList captures;
    QRegularExpressionMatchIterator matches = QRegularExpression(pattern).globalMatch(text);
    while (matches.hasNext())
        captures.append(matches.next().captured(1));
    return captures;
}

} // namespace PatternMatching

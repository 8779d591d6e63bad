#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// Every non-overlapping match of `pattern` in `text`, left to right; for each, its first captured
// group. Case-sensitive, not multi-line, the dot does not match a line feed.
QStringList RegexMatchAll(const QString &pattern, const QString &text);

// The two ways RegexMatchAll finds its matches, open for tests and benchmarks that compare them.
namespace PatternMatching {

// A pattern of the form OPENING(.+?)CLOSING with both parts plain, non-empty text.
struct LiteralSpan
{
    QString opening;
    QString closing;
};

// The two parts when `pattern` has that form and neither part holds regular-expression syntax
// (a lone closing brace counts as plain text, as it does for the engine); none otherwise.
std::optional<LiteralSpan> literalSpanOf(const QString &pattern);

// RegexMatchAll for such a pattern by plain text search, in time linear in the length of `text`.
QStringList matchLiteralSpan(const LiteralSpan &span, const QString &text);

// RegexMatchAll by QRegularExpression alone.
QStringList matchWithRegularExpression(const QString &pattern, const QString &text);

} // namespace PatternMatching

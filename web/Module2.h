#pragma once

#include <QString>
#include <QStringList>

// Every non-overlapping match of `pattern` in `text`, left to right; for each, its first captured
// group. Case-sensitive, not multi-line, the dot does not match a line feed.
QStringList RegexMatchAll(const QString &pattern, const QString &text);

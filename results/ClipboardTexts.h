#pragma once

#include <QString>
#include <QStringList>

// The three texts the copy commands put on the clipboard, built from the Result list's lines.
// A line the list does not hold (any line of an empty list) counts as the empty text.
namespace ClipboardTexts {

// Every line, each followed by CR LF.
QString allLines(const QStringList &lines);

// "快递收件记录：" first line, CR, CR, "快递最新记录：" last line.
QString firstAndLast(const QStringList &lines);

// "快递最新记录：" last line.
QString lastLine(const QStringList &lines);

} // namespace ClipboardTexts

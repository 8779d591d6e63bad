#include "ClipboardTexts.h"

namespace ClipboardTexts {
namespace {
const QString FirstLabel = QStringLiteral("快递收件记录：");
const QString LastLabel = QStringLiteral("快递最新记录：");

QString lineOrEmpty(const QStringList &lines, qsizetype index)
{
    return index >= 0 && index < lines.size() ? lines.at(index) : QString();
}
} // namespace

QString allLines(const QStringList &lines)
{
    QString text;
    for (const QString &line : lines)
        text += line + QStringLiteral("\r\n");
    return text;
}

QString firstAndLast(const QStringList &lines)
{
    return FirstLabel + lineOrEmpty(lines, 0) + QStringLiteral("\r\r") + LastLabel +
           lineOrEmpty(lines, lines.size() - 1);
}

QString lastLine(const QStringList &lines)
{
    return LastLabel + lineOrEmpty(lines, lines.size() - 1);
}

} // namespace ClipboardTexts

#include "Module2.h"
#include <QRegularExpression>
QStringList RegexMatchAll(const QString &pattern, const QString &text)
{
    QStringList out;
    auto it = QRegularExpression(pattern).globalMatch(text);
    while (it.hasNext())
        out << it.next().captured(1);
    return out;
}

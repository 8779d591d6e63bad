#pragma once

// The rules of a tracking query as plain functions: the history line and the result lines cut out of
// the service's answer. The request itself is the protocol's (TrackingProtocol.h).

#include <QString>
#include <QStringList>
#include <QTime>
#include <optional>

namespace TrackingQuery {

// Plain literals: moc, which reads this header for the tests, loses its way in raw ones here.
inline const QString EventPattern = QStringLiteral("\"time\":\"(.+?)\"}");
inline const QString MessagePattern = QStringLiteral("message\":\"(.+?)\"");

// "时间: HH:MM:SS 公司:<display name> 单号:<number>"
QString historyLine(const QTime &time, const QString &displayName, const QString &number);

// The answer's event lines (time, three blanks, context), or failing any "time" its message lines
// when it speaks of a "单号", or nothing. Lines stand exactly as in the answer.
QStringList resultLines(const QString &answer);

struct HistoryEntry
{
    QString displayName;
    QString number;
};

// The display name between "公司:" and the first " 单号:", and the number behind that to the end
// of the line. None when the line lacks the markers.
std::optional<HistoryEntry> parseHistoryLine(const QString &line);

} // namespace TrackingQuery

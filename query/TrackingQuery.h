#pragma once

// The rules of a tracking query as plain functions: the request URL, the history line and the
// result lines cut out of the service's answer.

#include <QString>
#include <QStringList>
#include <QTime>
#include <optional>

namespace TrackingQuery {

inline const QString AccessKey = QStringLiteral("5C1B0E9A7D3F2846B0A1C9E8D7F6A5B4");
inline const QString EventPattern = QStringLiteral(R"re("time":"(.+?)"})re");
inline const QString MessagePattern = QStringLiteral(R"re(message":"(.+?)")re");

// "http://HOST/?com=gongsi&nu=danhao&id=KEY"
QString requestUrlTemplate(const QString &trackingHost);

// Fills "gongsi" with the API code and "danhao" with the percent-encoded number in one pass, so
// that neither value is scanned for the other's placeholder.
QString requestUrl(const QString &urlTemplate, const QString &apiCode, const QString &number);

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

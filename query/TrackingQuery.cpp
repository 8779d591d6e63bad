#include "TrackingQuery.h"

#include "Module2.h"

namespace TrackingQuery {
namespace {
const QString ContextJoint = QStringLiteral(R"(","context":")");
const QString CompanyMarker = QStringLiteral("公司:");
const QString NumberMarker = QStringLiteral(" 单号:");
} // namespace

QString historyLine(const QTime &time, const QString &displayName, const QString &number)
{
    return QStringLiteral("时间: ") + time.toString(QStringLiteral("HH:mm:ss")) + QStringLiteral(" 公司:") +
           displayName + NumberMarker + number;
}

QStringList resultLines(const QString &answer)
{
    QString prepared = answer;
    prepared.replace(ContextJoint, QStringLiteral("   "));
    if (prepared.contains(QLatin1String("time")))
        return RegexMatchAll(EventPattern, prepared);
    if (prepared.contains(QStringLiteral("单号")))
        return RegexMatchAll(MessagePattern, prepared);
    return {};
}

std::optional<HistoryEntry> parseHistoryLine(const QString &line)
{
    const qsizetype company = line.indexOf(CompanyMarker);
    const qsizetype number = line.indexOf(NumberMarker);
    if (company < 0 || number < company + CompanyMarker.size())
        return std::nullopt;
    const qsizetype nameStart = company + CompanyMarker.size();
    return HistoryEntry{line.mid(nameStart, number - nameStart), line.mid(number + NumberMarker.size())};
}

} // namespace TrackingQuery

// Arbitrary text as the service's answer: preparation and both searches, checked against a plain
// QRegularExpression run of the same two patterns.

#include "FuzzCheck.h"
#include "TrackingQuery.h"

#include <QRegularExpression>
#include <cstdint>

namespace {
QStringList reference(const QString &answer)
{
    QString prepared = answer;
    prepared.replace(QStringLiteral(R"(","context":")"), QStringLiteral("   "));
    QString pattern;
    if (prepared.contains(QLatin1String("time")))
        pattern = TrackingQuery::EventPattern;
    else if (prepared.contains(QStringLiteral("单号")))
        pattern = TrackingQuery::MessagePattern;
    else
        return {};
    QStringList lines;
    QRegularExpressionMatchIterator it = QRegularExpression(pattern).globalMatch(prepared);
    while (it.hasNext())
        lines << it.next().captured(1);
    return lines;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString answer = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList lines = TrackingQuery::resultLines(answer);
    FUZZ_CHECK(lines == reference(answer));
    for (const QString &line : lines)
        FUZZ_CHECK(!line.isEmpty() && !line.contains(QLatin1Char('\n')));
    return 0;
}

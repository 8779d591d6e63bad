#include "BenchTable.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>
#include <cstdio>

void BenchTable::add(const BenchRow &row)
{
    m_rows.append(row);
    // Printed as it comes too, so a long run shows progress on stderr.
    std::fprintf(stderr, "  measured %s / %s / %s\n", qPrintable(row.group), qPrintable(row.name),
                 qPrintable(row.input));
}

namespace {

QString duration(double seconds)
{
    if (seconds >= 1)
        return QString::number(seconds, 'f', 2) + QStringLiteral(" s");
    if (seconds >= 1e-3)
        return QString::number(seconds * 1e3, 'f', 2) + QStringLiteral(" ms");
    return QString::number(seconds * 1e6, 'f', 2) + QStringLiteral(" us");
}

QString throughput(const BenchRow &row)
{
    if (row.bytes < 0 || row.seconds <= 0)
        return QStringLiteral("-");
    const double perSecond = double(row.bytes) / row.seconds;
    if (perSecond >= 1e9)
        return QString::number(perSecond / 1e9, 'f', 2) + QStringLiteral(" GB/s");
    if (perSecond >= 1e6)
        return QString::number(perSecond / 1e6, 'f', 1) + QStringLiteral(" MB/s");
    return QString::number(perSecond / 1e3, 'f', 1) + QStringLiteral(" kB/s");
}

} // namespace

void BenchTable::print() const
{
    const QStringList headers = {"group", "case", "input", "time/run", "throughput", "note"};
    QList<QStringList> cells;
    for (const BenchRow &row : m_rows)
        cells.append({row.group, row.name, row.input, duration(row.seconds), throughput(row), row.note});

    QList<qsizetype> widths;
    for (const QString &header : headers)
        widths.append(header.size());
    for (const QStringList &line : cells) {
        for (qsizetype i = 0; i < line.size(); ++i)
            widths[i] = std::max(widths[i], line[i].size());
    }
    const auto printLine = [&widths](const QStringList &line) {
        QString text;
        for (qsizetype i = 0; i < line.size(); ++i) {
            const bool numeric = i == 3 || i == 4;
            const QString cell = numeric ? line[i].rightJustified(widths[i]) : line[i].leftJustified(widths[i]);
            text += (i ? QStringLiteral(" | ") : QString()) + cell;
        }
        std::printf("%s\n", qPrintable(text.trimmed()));
    };
    printLine(headers);
    QStringList rule;
    for (const qsizetype width : widths)
        rule.append(QString(width, u'-'));
    printLine(rule);
    for (const QStringList &line : cells)
        printLine(line);
    std::fflush(stdout);
}

double secondsPerRun(const std::function<void()> &work, double budgetSeconds)
{
    QElapsedTimer clock;
    clock.start();
    work();
    const double first = double(clock.nsecsElapsed()) / 1e9;
    if (first > budgetSeconds / 3)
        return first;

    // Batches of about a tenth of the budget each; the quickest batch is the least disturbed one.
    const int runsPerBatch = std::max(1, int(budgetSeconds / 10 / std::max(first, 1e-9)));
    double best = first;
    for (int batch = 0; batch < 5; ++batch) {
        clock.restart();
        for (int i = 0; i < runsPerBatch; ++i)
            work();
        best = std::min(best, double(clock.nsecsElapsed()) / 1e9 / runsPerBatch);
    }
    return best;
}

QString byteSize(qint64 bytes)
{
    if (bytes >= 1024 * 1024 && bytes % (1024 * 1024) == 0)
        return QStringLiteral("%1 MiB").arg(bytes / (1024 * 1024));
    if (bytes >= 1024 * 1024)
        return QStringLiteral("%1 MiB").arg(double(bytes) / (1024 * 1024), 0, 'f', 1);
    if (bytes >= 1024 && bytes % 1024 == 0)
        return QStringLiteral("%1 KiB").arg(bytes / 1024);
    if (bytes >= 1024)
        return QStringLiteral("%1 KiB").arg(double(bytes) / 1024, 0, 'f', 1);
    return QStringLiteral("%1 B").arg(bytes);
}

QList<BenchGroup> &benchGroups()
{
    static QList<BenchGroup> groups;
    return groups;
}

bool registerBenchGroup(const BenchGroup &group)
{
    benchGroups().append(group);
    return true;
}

QString runBenchChild(const char *group, const QStringList &arguments, const QStringList &environment)
{
    QProcess child;
    QProcessEnvironment childEnvironment = QProcessEnvironment::systemEnvironment();
    for (const QString &assignment : environment)
        childEnvironment.insert(assignment.section(u'=', 0, 0), assignment.section(u'=', 1));
    child.setProcessEnvironment(childEnvironment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                QStringList{QStringLiteral("--child"), QString::fromLatin1(group)} + arguments);
    if (!child.waitForFinished(10 * 60 * 1000) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        return {};
    return QString::fromUtf8(child.readAllStandardOutput()).trimmed();
}

#pragma once

// The pieces every benchmark group shares: a timer that repeats short work until the figure is
// steady, and the table all groups print their rows into.

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

struct BenchRow
{
    QString group;
    QString name;
    QString input;      // what was fed in, e.g. "1 MiB" or "30 events"
    double seconds = 0; // per run
    qint64 bytes = -1;  // for a throughput column; -1 when throughput means nothing here
    QString note;
};

class BenchTable
{
public:
    void add(const BenchRow &row);
    void print() const;

private:
    QList<BenchRow> m_rows;
};

// Seconds per run of `work`: short work is repeated in batches and the best batch counts, long work
// (over a third of `budgetSeconds`) is run once.
double secondsPerRun(const std::function<void()> &work, double budgetSeconds = 0.6);

QString byteSize(qint64 bytes); // "16 MiB", "512 KiB", "3.1 KiB", "900 B"

using BenchGroupFunction = void (*)(BenchTable &table);
// A measurement that must run in a process of its own (e.g. under other environment variables):
// started as `quorvel-bench --child GROUP ARGUMENTS...`, it prints its result on stdout.
using BenchChildFunction = int (*)(const QStringList &arguments);
struct BenchGroup
{
    const char *name;
    BenchGroupFunction run;
    BenchChildFunction child = nullptr;
};
QList<BenchGroup> &benchGroups();
bool registerBenchGroup(const BenchGroup &group);

// Runs `quorvel-bench --child GROUP arguments...` with `environment` added and returns its stdout;
// empty when it failed.
QString runBenchChild(const char *group, const QStringList &arguments, const QStringList &environment);

// At namespace scope in a source file of the bench executable:
//   QUORVEL_BENCH_GROUP(query, [](BenchTable &table) { ... });
#define QUORVEL_BENCH_GROUP(name, ...)                                                                                 \
    static const bool quorvelBenchGroupRegistered_##name = registerBenchGroup({#name, __VA_ARGS__})

// quorvel-bench [GROUP...]: measures the groups (all of them by default) and prints one table.

#include "BenchTable.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);

    if (arguments.value(0) == QLatin1String("--child")) {
        for (const BenchGroup &group : benchGroups()) {
            if (arguments.value(1) == QLatin1String(group.name) && group.child)
                return group.child(arguments.mid(2));
        }
        std::fprintf(stderr, "quorvel-bench: no child measurement %s\n", qPrintable(arguments.value(1)));
        return 2;
    }
    if (arguments.contains(QLatin1String("--help")) || arguments.contains(QLatin1String("--list"))) {
        std::printf("usage: quorvel-bench [GROUP...]\ngroups:");
        for (const BenchGroup &group : benchGroups())
            std::printf(" %s", group.name);
        std::printf("\n");
        return 0;
    }

    BenchTable table;
    int ran = 0;
    for (const BenchGroup &group : benchGroups()) {
        if (!arguments.isEmpty() && !arguments.contains(QLatin1String(group.name)))
            continue;
        std::fprintf(stderr, "%s:\n", group.name);
        group.run(table);
        ++ran;
    }
    if (ran == 0) {
        std::fprintf(stderr, "quorvel-bench: no such group (see --list)\n");
        return 2;
    }
    table.print();
    return 0;
}

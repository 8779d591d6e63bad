// quorvel-bench [GROUP...]: measures the groups (all of them by default) and prints one table.

#include "BenchTable.h"

#include <QApplication>
#include <QCoreApplication>
#include <memory>

#include <cstdio>

int main(int argc, char *argv[])
{
    // The program's own rows run its window in a child process, which needs a GUI application.
    const bool widgets = argc > 2 && qstrcmp(argv[1], "--child") == 0 && qstrcmp(argv[2], "app") == 0;
    if (widgets && qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::unique_ptr<QCoreApplication> app(widgets ? new QApplication(argc, argv)
                                                        : new QCoreApplication(argc, argv));
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

#pragma once

#include <QListWidget>
#include <QStringList>

// A list's lines, top to bottom, as the copy commands read the Result list.
inline QStringList linesOf(const QListWidget *list)
{
    QStringList lines;
    lines.reserve(list->count());
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}

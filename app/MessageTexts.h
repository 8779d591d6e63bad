#pragma once

#include <QString>

// The texts of the window's messages that more than one handler shows.

// The title of the query's messages: an empty number, a failed request.
inline const QString NoticeTitle = QStringLiteral("系统提示");
// 重新查询 or 删除记录 without a selected History line (the box takes the program's title).
inline const QString SelectALineFirst = QStringLiteral("请选择一条记录来操作！");

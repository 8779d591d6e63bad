#pragma once

#include <QString>

// The Result list's only line after start-up and after a clear.
inline const QString PlaceholderLine = QStringLiteral("此处返回查询结果。");

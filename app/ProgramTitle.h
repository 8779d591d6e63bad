#pragma once

#include <QString>

inline const QString ProgramTitle = QStringLiteral("Quorvel快递查询软件2015");

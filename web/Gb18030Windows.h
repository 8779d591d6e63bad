#pragma once

// GB18030 text on Windows, where Qt has no converter for it without ICU: decoded through the
// system's tables, with the same text, U+FFFD included, as ICU gives on Linux.

#include <QByteArray>
#include <QString>

QString decodeGb18030ThroughWindows(const QByteArray &body);

#include "Module1.h"
// placeholder: being written
HttpGetResult HttpGetText(const QString &, const HttpGetOptions &) { return {}; }
QString DecodeBytes(const QByteArray &body) { return QString::fromUtf8(body); }
bool LooksLikeUtf8(const QByteArray &) { return false; }

#include "WindowFont.h"

#include <QWidget>

QFont windowFont()
{
#ifdef Q_OS_WIN
    QFont font(QStringLiteral("SimSun"));
#else
    QFont font(QStringLiteral("Noto Sans Mono CJK SC"));
#endif
    font.setPixelSize(12);
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

float twipsPerPixelX(const QWidget *widget)
{
    return 1440.0f / float(widget->logicalDpiX());
}

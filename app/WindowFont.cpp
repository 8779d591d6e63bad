#include "WindowFont.h"

#include "Platform.h"

#include <QWidget>

QFont windowFont()
{
    QFont font(Platform::windowFontFamily());
    font.setPixelSize(12);
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

float twipsPerPixelX(const QWidget *widget)
{
    return 1440.0f / float(widget->logicalDpiX());
}

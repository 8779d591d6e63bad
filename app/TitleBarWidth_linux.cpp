#include "MsgBox.h"

#include <QFont>
#include <QFontMetrics>
#include <QWidget>

namespace MsgBox {

// Title bars on Linux centre the title between the window icon and up to three buttons, in a font
// larger than the window's: Qt's own on Wayland (14 px, 82 px of buttons on the right), weston's and
// GNOME's bold.
int TitleBarWidth(const QString &title, const QWidget &box)
{
    QFont titleFont = box.font();
    titleFont.setPixelSize(14);
    titleFont.setBold(true);
    constexpr int buttonsAndMargins = 82; // the wider side; a centred title needs it on both
    return QFontMetrics(titleFont).horizontalAdvance(title) + 2 * buttonsAndMargins;
}

} // namespace MsgBox

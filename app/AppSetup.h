#pragma once

#include "Platform.h"

#include <QByteArray>

class QApplication;

// What every run of the program sets on the application before the window is made: its name, the
// desktop entry it belongs to, the icon, and Qt's own Chinese texts for standard buttons and menus.
void setUpApplication(QApplication &app);

// Empty for Qt's own choice (Wayland first), or the platform list to ask for. Where the compositor
// draws no title bars for Wayland windows (GNOME, weston), Qt 6.4 draws its own: with minimise and
// maximise buttons on every message box and short titles cut off. Its X11 windows there get the
// desktop's own title bars, so such a session is run through Xwayland, with Wayland as the fallback.
QByteArray preferredPlatform(const Platform::DesktopSession &session);

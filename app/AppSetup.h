#pragma once

#include <QByteArray>

class QApplication;

// Whether a window system can be reached at all (always on Windows): without one Qt would abort with
// a long message, where one line says it.
bool displayAvailable();

// What every run of the program sets on the application before the window is made: its name, the
// desktop entry it belongs to, the icon, and Qt's own Chinese texts for standard buttons and menus.
void setUpApplication(QApplication &app);

// The desktop entry's id: the Wayland app_id, by which docks tie the window to its launcher and icon.
inline constexpr char DesktopEntryId[] = "io.github.quorvel.Quorvel";

// What the choice of Qt's window-system platform depends on, looked at before QApplication exists.
struct DesktopSession
{
    bool platformChosen = false;      // QT_QPA_PLATFORM or -platform: the user's choice stands
    bool wayland = false;             // a Wayland compositor answers
    bool compositorDecorates = false; // it offers to draw title bars for Wayland windows
    bool x11 = false;                 // an X server is there too (Xwayland)
};

// Empty for Qt's own choice (Wayland first), or the platform list to ask for. Where the compositor
// draws no title bars for Wayland windows (GNOME, weston), Qt 6.4 draws its own: with minimise and
// maximise buttons on every message box and short titles cut off. Its X11 windows there get the
// desktop's own title bars, so such a session is run through Xwayland, with Wayland as the fallback.
QByteArray preferredPlatform(const DesktopSession &session);

// Reads the environment and the arguments, and asks the Wayland compositor what it offers.
DesktopSession probeDesktopSession(int argc, char **argv);

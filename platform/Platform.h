#pragma once

// What differs between the systems the program is made for, and nothing else. Each system has its
// own folder beside this header (linux/, windows/) with the definitions; platform/System.cmake picks
// the folder, so the callers carry no checks of their own.
//
// Two libraries are built from a folder: the window's pieces (quorvel_platform_window, with Qt
// Widgets) and the rest (quorvel_platform, Qt Core and Network only), so that the web layer, the
// simulator and the tools link no widgets.

#include <QByteArray>
#include <QString>

class QCoreApplication;
class QTcpSocket;
class QWidget;

namespace Platform {

// ---- quorvel_platform_window

// The family of the window's font: a CJK face in which an ideograph is twice as wide as an ASCII
// character, as the fixed layout needs.
QString windowFontFamily();

// The narrowest box (in the box's device-independent pixels) whose title shows whole on this
// system's title bars: the bars are drawn by different hands on each system.
int titleBarWidth(const QString &title, const QWidget &box);

// The folder of Qt's own translations (the standard buttons' 确定 and 取消).
QString qtTranslationsFolder();

// Whether a window system can be reached at all: without one Qt would abort with a long message,
// where one line says it.
bool displayAvailable();

// What the choice of Qt's window-system platform depends on, looked at before QApplication exists.
struct DesktopSession
{
    bool platformChosen = false;      // QT_QPA_PLATFORM or -platform: the user's choice stands
    bool wayland = false;             // a Wayland compositor answers
    bool compositorDecorates = false; // it offers to draw title bars for Wayland windows
    bool x11 = false;                 // an X server is there too (Xwayland)
};

// Reads the environment and the arguments, and asks a Wayland compositor what it offers.
DesktopSession probeDesktopSession(int argc, char **argv);

// ---- quorvel_platform

// Bytes read as GB18030, the superset of GB2312 and GBK that decodes both right. Every ill-formed
// byte, a multi-byte character cut off at the end included, becomes U+FFFD, the same on every system.
QString decodeGb18030(const QByteArray &bytes);

// Makes the system's requests to end the process (a terminal's Ctrl+C, a service manager's stop) end
// the application's event loop, so that the process ends normally. False where that is not possible.
bool quitOnTerminationRequests(QCoreApplication &app);

// Closes the connection the way a crashed server or a dropped connection does: with a reset, where
// the system lets the program ask for one.
void resetConnection(QTcpSocket *socket);

// Bytes the system has sent on the connection but the other end has not acknowledged yet; 0 where
// the system keeps no such count.
int unacknowledgedBytes(const QTcpSocket *socket);

// The processor time the process has used so far, user and system, in seconds.
double processCpuSeconds();

// The most memory the process has held at once, in KiB; -1 when the system does not say.
qint64 peakMemoryKiB();

// Whether the process runs under Wine rather than on Windows itself (never elsewhere): Wine's
// system libraries lack parts of Windows' that the tests' own servers need.
bool runsUnderWine();

} // namespace Platform

#pragma once

// The outside functions the window calls, under the names and arguments of the platform calls they
// stand for, as thin layers over Qt. Each returns what the platform call would report. The window
// ignores every result but Shell_NotifyIconA's answer to an add, which form1_shell.cpp looks at so
// that the window is never hidden without an icon to bring it back.

#include <QIcon>
#include <QPointer>
#include <QString>
#include <optional>

class QSystemTrayIcon;
class QWidget;

constexpr int SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_SHOWMINIMIZED = 2;
constexpr int NIM_ADD = 0, NIM_DELETE = 2;
constexpr int NIF_MESSAGE = 1, NIF_ICON = 2, NIF_TIP = 4;
// Mouse messages; the notification area reports what happened on an icon by their numbers.
constexpr int WM_MOUSEMOVE = 0x0200, WM_LBUTTONUP = 0x0202, WM_LBUTTONDBLCLK = 0x0203, WM_RBUTTONUP = 0x0205,
              WM_MBUTTONUP = 0x0208;
constexpr int NotifyIconDataSize = 88;  // the platform record's first form; callers write it into cbSize
constexpr int NotifyIconTipLength = 64; // room for the tip, its terminating zero included

// Opens a web address in the user's browser. `operation` must be "open"; parameters and directory
// are ignored (a web address takes neither). Returns a value above 32 on success, like the shell.
int ShellExecuteA(QWidget *hwnd, const QString &operation, const QString &file, const QString &parameters,
                  const QString &directory, int showCmd);

// Applies the skin file, a Qt style sheet, to the whole application. Returns 0 on success and a
// non-zero value when the file is missing or unreadable.
int SkinH_AttachEx(const QString &skinFile, const QString &password);

// The skin file's path: the executable's folder exactly as the system reports it, then
// "/skinh.she" (no check for a separator already present, as at a drive's root).
QString skinFilePath(const QString &executableFolder);

// SW_HIDE hides the window, SW_SHOWMINIMIZED shows it minimised. Returns whether it was visible.
bool ShowWindow(QWidget *hWnd, int nCmdShow);

// One notification icon: the window that owns it and hears its events, its number there, which
// fields count, the message its events come back as, its picture and its tip (cut to fit its room).
struct NotifyIconData
{
    int cbSize = 0;
    QPointer<QWidget> hWnd;
    qint64 uID = 0;
    int uFlags = 0;
    int uCallbackMessage = 0;
    QIcon hIcon;
    QString szTip;
};

// The program's one notification-icon record: empty from the start, kept until the end.
extern NotifyIconData TrayIconData;

// NIM_ADD puts up an icon for (hWnd, uID), NIM_DELETE takes it down; returns whether it did (not
// without a notification area, a window or a picture; not twice). With NIF_MESSAGE and WM_MOUSEMOVE,
// an event on the icon reaches the window's Form_MouseMove, queued as the platform posts it (the
// handler may take the icon down), with the event's mouse-message number in twips as X.
bool Shell_NotifyIconA(int dwMessage, const NotifyIconData *lpData);

// The icon an add has put up for (window, id), a child of the window; null when there is none.
QSystemTrayIcon *notifyIconOf(const QWidget *window, qint64 id);

// Tests pretend to have (or lack) a notification area; nullopt asks the desktop again.
void setNotificationAreaAvailableForTesting(std::optional<bool> available);

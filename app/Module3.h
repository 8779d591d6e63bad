#pragma once

// The outside functions the window calls, as thin layers over Qt. They keep the names, arguments
// and "result not looked at" contract of the platform calls they stand for.

#include <QEvent>
#include <QIcon>
#include <QString>
#include <QSystemTrayIcon>
#include <array>
#include <optional>

class QWidget;

constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOW = 5;

// Opens a web address in the user's browser. `operation` must be "open"; parameters and directory
// are ignored (a web address takes neither). Returns a value above 32 on success, like the shell.
int ShellExecuteA(QWidget *hwnd, const QString &operation, const QString &file, const QString &parameters,
                  const QString &directory, int showCmd);

// Applies the skin file, a Qt style sheet, to the whole application. Returns 0 on success and a
// non-zero value when the file is missing or unreadable; the program goes on either way.
int SkinH_AttachEx(const QString &skinFile, const QString &password);

// The skin file's path: the executable's folder exactly as the system reports it, then
// "/skinh.she" (no check for a separator already present, as at a drive's root).
QString skinFilePath(const QString &executableFolder);

// ---------------------------------------------------------------------------------------------
// Handles
//
// The record below names windows and icons by 32-bit numbers, as the platform does. Ours come
// from one program-wide table: never zero, never reused, so a handle kept past its object's life
// names nothing instead of some newer object. A window and an icon never share a number.

using Handle = qint32;

// The same window, or an icon sharing the same image data, always gets the same handle.
Handle handleForWindow(QWidget *window);
Handle handleForIcon(const QIcon &icon); // 0 for a null icon: there is nothing to show
QWidget *windowForHandle(Handle handle); // null once the window is gone
QIcon iconForHandle(Handle handle);

// ---------------------------------------------------------------------------------------------
// Notification area

constexpr int NIM_ADD = 0;
constexpr int NIM_DELETE = 2;

constexpr qint32 NIF_MESSAGE = 1;
constexpr qint32 NIF_ICON = 2;
constexpr qint32 NIF_TIP = 4;

// Mouse messages; the notification area reports what happened on an icon by their numbers.
constexpr int WM_MOUSEMOVE = 0x0200;
constexpr int WM_LBUTTONUP = 0x0202;
constexpr int WM_LBUTTONDBLCLK = 0x0203;
constexpr int WM_RBUTTONUP = 0x0205;
constexpr int WM_MBUTTONUP = 0x0208;

// The size the platform's first, ANSI form of this record has; callers write it into cbSize.
constexpr qint32 NotifyIconDataSize = 88;
constexpr int NotifyIconTipLength = 64;

// One notification icon as the program describes it: the window that owns it and hears its events,
// the number it is known by, which of the fields below count, the message its events come back
// as, its picture and its tip.
struct NotifyIconData
{
    qint32 cbSize = 0;
    Handle hWnd = 0;
    qint32 uID = 0;
    qint32 uFlags = 0;
    qint32 uCallbackMessage = 0;
    Handle hIcon = 0;
    std::array<QChar, NotifyIconTipLength> szTip{}; // text, a zero character, then anything
};

// The program's one notification-icon record: zero from the start, kept until the end.
extern NotifyIconData TrayIconData;

// A fixed-width tip field: the text, a zero character, blanks to the end (the text is cut so that
// the zero always fits).
std::array<QChar, NotifyIconTipLength> tipField(const QString &text);
// What the icon shows as its tip: the field up to its first zero character.
QString tipText(const std::array<QChar, NotifyIconTipLength> &field);

// NIM_ADD puts up an icon for (hWnd, uID); NIM_DELETE takes down the one the record names.
// Returns whether it did, like the platform call: adding fails where the desktop has no
// notification area, when the record names no live window or no picture to show, or when that
// icon is up already; deleting fails when there is no such icon, and then does nothing at all.
// With NIF_MESSAGE, every event on the icon is posted to the window as a WindowMessageEvent
// carrying uCallbackMessage, uID as wParam and the event's mouse-message number as lParam.
bool Shell_NotifyIconA(int dwMessage, const NotifyIconData *lpData);

// Hides, shows or minimises the window the handle names. Returns whether it was visible before,
// like the platform call; false, and nothing happens, for a handle that names no window.
bool ShowWindow(Handle hWnd, int nCmdShow);

// The mouse-message number an event on the icon is reported as. Qt reports a click once, at the
// platform's choice of press or release, so a click counts as the button's release.
int notifyIconMessage(QSystemTrayIcon::ActivationReason reason);

// A message sent to a window, as the platform sends them: posted, so that it arrives after the
// event that caused it has been handled (a handler may well take the icon that sent it down).
class WindowMessageEvent : public QEvent
{
public:
    WindowMessageEvent(int message, qint32 wParam, qint32 lParam);

    static QEvent::Type eventType();

    int message() const { return m_message; }
    qint32 wParam() const { return m_wParam; }
    qint32 lParam() const { return m_lParam; }

private:
    int m_message;
    qint32 m_wParam;
    qint32 m_lParam;
};

// Whether the desktop shows a notification area (QSystemTrayIcon's answer unless overridden).
bool notificationAreaAvailable();
// Tests pretend to have (or lack) a notification area; nullopt asks the desktop again.
void setNotificationAreaAvailableForTesting(std::optional<bool> available);
// The icon an add has put up for (hWnd, uID), or null when there is none.
QSystemTrayIcon *notifyIconFor(Handle hWnd, qint32 uID);

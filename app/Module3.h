#pragma once

// The outside functions the window calls, as thin layers over Qt. They keep the names, arguments
// and "result not looked at" contract of the platform calls they stand for.

#include <QString>

class QWidget;

constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;

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

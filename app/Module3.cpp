#include "Module3.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QUrl>

int ShellExecuteA(QWidget *hwnd, const QString &operation, const QString &file, const QString &parameters,
                  const QString &directory, int showCmd)
{
    Q_UNUSED(hwnd)
    Q_UNUSED(parameters)
    Q_UNUSED(directory)
    Q_UNUSED(showCmd)
    constexpr int success = 42;
    constexpr int fileNotFound = 2;
    if (operation != QLatin1String("open"))
        return fileNotFound;
    return QDesktopServices::openUrl(QUrl(file, QUrl::TolerantMode)) ? success : fileNotFound;
}

int SkinH_AttachEx(const QString &skinFile, const QString &password)
{
    Q_UNUSED(password) // our skins are plain style sheets
    QFile file(skinFile);
    if (!file.open(QIODevice::ReadOnly))
        return 1;
    const QByteArray sheet = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return 1;
    qApp->setStyleSheet(QString::fromUtf8(sheet));
    return 0;
}

QString skinFilePath(const QString &executableFolder)
{
    return executableFolder + QStringLiteral("/skinh.she");
}

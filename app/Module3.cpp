#include "Module3.h"

#include "WindowFont.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QSystemTrayIcon>
#include <QUrl>
#include <QWidget>

int ShellExecuteA(QWidget *, const QString &operation, const QString &file, const QString &, const QString &, int)
{
    const bool opened = operation == QLatin1String("open") && QDesktopServices::openUrl(QUrl(file, QUrl::TolerantMode));
    return opened ? 42 : 2; // above 32 for done; 2 is the shell's "file not found"
}

int SkinH_AttachEx(const QString &skinFile, const QString & /* password: our skins are plain style sheets */)
{
    QFile file(skinFile);
    const QString sheet = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    if (file.error() != QFileDevice::NoError)
        return 1;
    qApp->setStyleSheet(sheet);
    return 0;
}

QString skinFilePath(const QString &executableFolder)
{
    return executableFolder + QStringLiteral("/skinh.she");
}

bool ShowWindow(QWidget *hWnd, int nCmdShow)
{
    const bool wasVisible = hWnd && hWnd->isVisible();
    if (hWnd && nCmdShow == SW_HIDE)
        hWnd->hide();
    else if (hWnd && nCmdShow == SW_SHOWMINIMIZED)
        hWnd->showMinimized();
    return wasVisible;
}

NotifyIconData TrayIconData;
static std::optional<bool> notificationAreaOverride;

QSystemTrayIcon *notifyIconOf(const QWidget *window, qint64 id)
{
    const QString name = QStringLiteral("notifyIcon%1").arg(id);
    return window ? window->findChild<QSystemTrayIcon *>(name, Qt::FindDirectChildrenOnly) : nullptr;
}

bool Shell_NotifyIconA(int dwMessage, const NotifyIconData *lpData)
{
    QWidget *window = lpData ? lpData->hWnd.data() : nullptr;
    QSystemTrayIcon *icon = notifyIconOf(window, lpData ? lpData->uID : 0);
    if (dwMessage == NIM_DELETE && icon) {
        icon->hide();
        icon->setObjectName(QString()); // gone for every later look-up at once,
        icon->deleteLater();            // but not deleted inside an event it may be delivering
        return true;
    }
    // An icon without a picture would be an empty spot the user cannot find, let alone click.
    if (dwMessage != NIM_ADD || !window || icon ||
        !notificationAreaOverride.value_or(QSystemTrayIcon::isSystemTrayAvailable()) || !(lpData->uFlags & NIF_ICON) ||
        lpData->hIcon.isNull())
        return false;

    icon = new QSystemTrayIcon(lpData->hIcon, window);
    icon->setObjectName(QStringLiteral("notifyIcon%1").arg(lpData->uID));
    if (lpData->uFlags & NIF_TIP)
        icon->setToolTip(lpData->szTip.left(NotifyIconTipLength - 1));
    // No context menu on purpose: with one, Qt would open it instead of reporting the right button.
    if ((lpData->uFlags & NIF_MESSAGE) && lpData->uCallbackMessage == WM_MOUSEMOVE) {
        QObject::connect(icon, &QSystemTrayIcon::activated, window, [window](QSystemTrayIcon::ActivationReason why) {
            // Qt reports a click once, at the platform's choice of press or release: it counts as the release.
            const int message = why == QSystemTrayIcon::Trigger       ? WM_LBUTTONUP
                                : why == QSystemTrayIcon::Context     ? WM_RBUTTONUP
                                : why == QSystemTrayIcon::DoubleClick ? WM_LBUTTONDBLCLK
                                : why == QSystemTrayIcon::MiddleClick ? WM_MBUTTONUP
                                                                      : WM_MOUSEMOVE;
            QMetaObject::invokeMethod(window, "Form_MouseMove", Qt::QueuedConnection, Q_ARG(int, 0), Q_ARG(int, 0),
                                      Q_ARG(float, float(message) * twipsPerPixelX(window)), Q_ARG(float, 0.0f));
        });
    }
    icon->show();
    return true;
}

void setNotificationAreaAvailableForTesting(std::optional<bool> available)
{
    notificationAreaOverride = available;
}

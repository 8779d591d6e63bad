#include "AppSetup.h"

#include "Identity.h"

#include <QApplication>
#include <QIcon>
#include <QLocale>
#include <QTranslator>

void setUpApplication(QApplication &app)
{
    // Also the X11 WM_CLASS, which the desktop entry names as its StartupWMClass.
    QApplication::setApplicationName(QString::fromLatin1(ApplicationName));
    // No display name: Qt would append it to every title the window system shows, the caption's
    // and each message box's, which must read exactly as given.
    QApplication::setApplicationVersion(QString::fromLatin1(VersionText));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(DesktopEntryId));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/quorvel.ico")));

    auto *qtTexts = new QTranslator(&app);
    if (qtTexts->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                      Platform::qtTranslationsFolder()))
        QApplication::installTranslator(qtTexts);
}

QByteArray preferredPlatform(const Platform::DesktopSession &session)
{
    if (session.platformChosen || !session.wayland || session.compositorDecorates || !session.x11)
        return {};
    return QByteArrayLiteral("xcb;wayland");
}

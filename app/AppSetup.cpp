#include "AppSetup.h"

#include "BuildVersion.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

void setUpApplication(QApplication &app)
{
    QApplication::setApplicationName(QStringLiteral("quorvel"));
    // No display name: Qt would append it to every title the window system shows, the caption's
    // and each message box's, which must read exactly as given.
    QApplication::setApplicationVersion(QStringLiteral(QUORVEL_VERSION_TEXT));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/quorvel.ico")));

    auto *qtTexts = new QTranslator(&app);
    if (qtTexts->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(qtTexts);
}

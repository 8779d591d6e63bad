#include "AppSetup.h"

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
    QApplication::setApplicationVersion(QStringLiteral("1.00"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/quorvel.ico")));

    auto *qtTexts = new QTranslator(&app);
#ifdef Q_OS_WIN
    // The static Windows executable carries them: no Qt installation stands beside it.
    const QString qtTextsFolder = QStringLiteral(":/translations");
#else
    const QString qtTextsFolder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
#endif
    if (qtTexts->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                      qtTextsFolder))
        QApplication::installTranslator(qtTexts);
}

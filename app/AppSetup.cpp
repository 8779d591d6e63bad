#include "AppSetup.h"

#include "BuildVersion.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdlib>
#include <cstring>

#ifdef QUORVEL_WAYLAND_PROBE
#include <wayland-client.h>
#endif

void setUpApplication(QApplication &app)
{
    // Also the X11 WM_CLASS, which the desktop entry names as its StartupWMClass.
    QApplication::setApplicationName(QStringLiteral("quorvel"));
    // No display name: Qt would append it to every title the window system shows, the caption's
    // and each message box's, which must read exactly as given.
    QApplication::setApplicationVersion(QStringLiteral(QUORVEL_VERSION_TEXT));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(DesktopEntryId));
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

QByteArray preferredPlatform(const DesktopSession &session)
{
    if (session.platformChosen || !session.wayland || session.compositorDecorates || !session.x11)
        return {};
    return QByteArrayLiteral("xcb;wayland");
}

namespace {

bool environmentSet(const char *name)
{
    const char *value = std::getenv(name);
    return value && *value;
}

#ifdef QUORVEL_WAYLAND_PROBE
// xdg-decoration is how a Wayland client asks for a title bar drawn by the compositor, the only way
// Qt 6.4 knows.
void noteGlobal(void *data, wl_registry *, uint32_t, const char *interface, uint32_t)
{
    if (std::strcmp(interface, "zxdg_decoration_manager_v1") == 0)
        *static_cast<bool *>(data) = true;
}

void forgetGlobal(void *, wl_registry *, uint32_t) {}

const wl_registry_listener registryListener = {noteGlobal, forgetGlobal};
#endif

} // namespace

bool displayAvailable()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    return environmentSet("QT_QPA_PLATFORM") || environmentSet("DISPLAY") || environmentSet("WAYLAND_DISPLAY");
#else
    return true;
#endif
}

DesktopSession probeDesktopSession(int argc, char **argv)
{
    DesktopSession session;
    session.platformChosen = environmentSet("QT_QPA_PLATFORM");
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            session.platformChosen = true;
    }
    session.x11 = environmentSet("DISPLAY");
#ifdef QUORVEL_WAYLAND_PROBE
    // Only where Qt would pick Wayland; a question answered in one round trip.
    const char *sessionType = std::getenv("XDG_SESSION_TYPE");
    if (session.platformChosen ||
        !(environmentSet("WAYLAND_DISPLAY") || (sessionType && !std::strcmp(sessionType, "wayland"))))
        return session;
    if (wl_display *display = wl_display_connect(nullptr)) {
        session.wayland = true;
        wl_registry *registry = wl_display_get_registry(display);
        wl_registry_add_listener(registry, &registryListener, &session.compositorDecorates);
        wl_display_roundtrip(display);
        wl_registry_destroy(registry);
        wl_display_disconnect(display);
    }
#endif
    return session;
}

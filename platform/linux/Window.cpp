#include "Platform.h"

#include <QFont>
#include <QFontMetrics>
#include <QLibraryInfo>
#include <QWidget>

#include <cstdlib>
#include <cstring>

#include <wayland-client.h>

namespace Platform {
namespace {

bool environmentSet(const char *name)
{
    const char *value = std::getenv(name);
    return value && *value;
}

// xdg-decoration is how a Wayland client asks for a title bar drawn by the compositor, the only way
// Qt 6.4 knows.
void noteGlobal(void *data, wl_registry *, uint32_t, const char *interface, uint32_t)
{
    if (std::strcmp(interface, "zxdg_decoration_manager_v1") == 0)
        *static_cast<bool *>(data) = true;
}

void forgetGlobal(void *, wl_registry *, uint32_t) {}

const wl_registry_listener registryListener = {noteGlobal, forgetGlobal};

} // namespace

QString windowFontFamily()
{
    return QStringLiteral("Noto Sans Mono CJK SC"); // fonts-noto-cjk
}

// Title bars on Linux centre the title between the window icon and up to three buttons, in a font
// larger than the window's: Qt's own on Wayland (14 px, 82 px of buttons on the right), weston's and
// GNOME's bold.
int titleBarWidth(const QString &title, const QWidget &box)
{
    QFont titleFont = box.font();
    titleFont.setPixelSize(14);
    titleFont.setBold(true);
    constexpr int buttonsAndMargins = 82; // the wider side; a centred title needs it on both
    return QFontMetrics(titleFont).horizontalAdvance(title) + 2 * buttonsAndMargins;
}

QString qtTranslationsFolder()
{
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath); // qt6-translations-l10n
}

bool displayAvailable()
{
    return environmentSet("QT_QPA_PLATFORM") || environmentSet("DISPLAY") || environmentSet("WAYLAND_DISPLAY");
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
    return session;
}

} // namespace Platform

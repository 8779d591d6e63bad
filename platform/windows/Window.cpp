#include "Platform.h"

#include <QWidget>
#include <QtMath>

#include <windows.h>

namespace Platform {
namespace {
int captionTextWidth(const QString &title, const LOGFONTW &captionFont)
{
    HFONT font = CreateFontIndirectW(&captionFont);
    if (!font)
        return 0;
    HDC screen = GetDC(nullptr);
    const HGDIOBJ previous = SelectObject(screen, font);
    SIZE size{};
    GetTextExtentPoint32W(screen, reinterpret_cast<const wchar_t *>(title.utf16()), int(title.size()), &size);
    SelectObject(screen, previous);
    ReleaseDC(nullptr, screen);
    DeleteObject(font);
    return int(size.cx);
}
} // namespace

QString windowFontFamily()
{
    return QStringLiteral("SimSun");
}

// Windows draws the caption itself: the window icon at the left, the title after it in the system's
// caption font (cut off with "…" where it does not fit), the caption buttons at the right, all inside
// the frame. Room for three buttons, though a message box shows only its close button: Windows 10
// and 11 draw that one wider than the metric says. Everything is in physical pixels at the window's
// DPI, the system's metrics for it, and is handed back in the box's device-independent pixels.
int titleBarWidth(const QString &title, const QWidget &box)
{
    const auto window = reinterpret_cast<HWND>(box.internalWinId());
    UINT dpi = window ? GetDpiForWindow(window) : GetDpiForSystem();
    if (dpi == 0)
        dpi = USER_DEFAULT_SCREEN_DPI;
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (!SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi))
        return 0;
    const auto metric = [dpi](int index) { return GetSystemMetricsForDpi(index, dpi); };
    const int icon = metric(SM_CXSMICON) + 2 * metric(SM_CXEDGE);
    const int buttons = 3 * metric(SM_CXSIZE);
    const int frame = 2 * (metric(SM_CXFIXEDFRAME) + metric(SM_CXPADDEDBORDER));
    const int physical = captionTextWidth(title, metrics.lfCaptionFont) + icon + buttons + frame;
    return qCeil(physical / box.devicePixelRatioF());
}

// The static executable carries them (platform/windows/CMakeLists.txt): no Qt installation stands
// beside it.
QString qtTranslationsFolder()
{
    return QStringLiteral(":/translations");
}

// Every Windows session has its desktop.
bool displayAvailable()
{
    return true;
}

// Qt's own window system is the only one: nothing to choose.
DesktopSession probeDesktopSession(int, char **)
{
    return {};
}

} // namespace Platform

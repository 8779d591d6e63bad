#include "Module3.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QHash>
#include <QPointer>
#include <QUrl>
#include <QWidget>

#include <algorithm>
#include <map>
#include <utility>

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

// ---------------------------------------------------------------------------------------------
// Handles

namespace {
class HandleTable
{
public:
    Handle forWindow(QWidget *window)
    {
        if (!window)
            return 0;
        // A pointer is only a key while its window lives: a new window may be built at a dead one's address.
        for (auto it = m_windows.cbegin(); it != m_windows.cend(); ++it) {
            if (it.value() == window)
                return it.key();
        }
        const Handle handle = issue();
        m_windows.insert(handle, window);
        return handle;
    }

    Handle forIcon(const QIcon &icon)
    {
        if (icon.isNull())
            return 0;
        const auto known = m_iconKeys.constFind(icon.cacheKey());
        if (known != m_iconKeys.cend())
            return known.value();
        const Handle handle = issue();
        m_iconKeys.insert(icon.cacheKey(), handle);
        m_icons.insert(handle, icon);
        return handle;
    }

    QWidget *window(Handle handle) const { return m_windows.value(handle); }
    QIcon icon(Handle handle) const { return m_icons.value(handle); }

private:
    Handle issue()
    {
        // Multiples of four from an arbitrary base, like the platform's: small numbers such as
        // 1 or 2 are too easily mistaken for flags or counts when a record is read.
        m_last += 4;
        return m_last;
    }

    Handle m_last = 0x10000;
    QHash<Handle, QPointer<QWidget>> m_windows;
    QHash<Handle, QIcon> m_icons;
    QHash<qint64, Handle> m_iconKeys;
};

HandleTable &handles()
{
    static HandleTable table;
    return table;
}
} // namespace

Handle handleForWindow(QWidget *window)
{
    return handles().forWindow(window);
}

Handle handleForIcon(const QIcon &icon)
{
    return handles().forIcon(icon);
}

QWidget *windowForHandle(Handle handle)
{
    return handles().window(handle);
}

QIcon iconForHandle(Handle handle)
{
    return handles().icon(handle);
}

// ---------------------------------------------------------------------------------------------
// Notification area

NotifyIconData TrayIconData;

std::array<QChar, NotifyIconTipLength> tipField(const QString &text)
{
    std::array<QChar, NotifyIconTipLength> field;
    field.fill(QLatin1Char(' '));
    const int kept = std::min<int>(text.size(), NotifyIconTipLength - 1);
    std::copy(text.cbegin(), text.cbegin() + kept, field.begin());
    field[kept] = QChar(0);
    return field;
}

QString tipText(const std::array<QChar, NotifyIconTipLength> &field)
{
    const auto end = std::find(field.cbegin(), field.cend(), QChar(0));
    return QString(field.data(), int(end - field.cbegin()));
}

int notifyIconMessage(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        return WM_LBUTTONUP;
    case QSystemTrayIcon::Context:
        return WM_RBUTTONUP;
    case QSystemTrayIcon::DoubleClick:
        return WM_LBUTTONDBLCLK;
    case QSystemTrayIcon::MiddleClick:
        return WM_MBUTTONUP;
    case QSystemTrayIcon::Unknown:
        break;
    }
    return WM_MOUSEMOVE;
}

WindowMessageEvent::WindowMessageEvent(int message, qint32 wParam, qint32 lParam)
    : QEvent(eventType()), m_message(message), m_wParam(wParam), m_lParam(lParam)
{}

QEvent::Type WindowMessageEvent::eventType()
{
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

namespace {
std::optional<bool> &notificationAreaOverride()
{
    static std::optional<bool> value;
    return value;
}

using IconKey = std::pair<Handle, qint32>;

// The icons that are up. Each belongs to its window as a child, so it goes when the window goes.
std::map<IconKey, QPointer<QSystemTrayIcon>> &iconsUp()
{
    static std::map<IconKey, QPointer<QSystemTrayIcon>> icons;
    return icons;
}

bool addIcon(const NotifyIconData &data)
{
    const IconKey key{data.hWnd, data.uID};
    if (notifyIconFor(data.hWnd, data.uID))
        return false;
    QWidget *window = windowForHandle(data.hWnd);
    if (!window || !notificationAreaAvailable())
        return false;
    const QIcon picture = data.uFlags & NIF_ICON ? iconForHandle(data.hIcon) : QIcon();
    // An icon without a picture would be an empty spot the user cannot find, let alone click.
    if (picture.isNull())
        return false;

    auto *icon = new QSystemTrayIcon(picture, window);
    if (data.uFlags & NIF_TIP)
        icon->setToolTip(tipText(data.szTip));
    if (data.uFlags & NIF_MESSAGE) {
        const Handle target = data.hWnd;
        const qint32 id = data.uID;
        const int callback = data.uCallbackMessage;
        // No context menu is set on purpose: with one, Qt would open it instead of reporting the
        // right button.
        QObject::connect(icon, &QSystemTrayIcon::activated, icon,
                         [target, id, callback](QSystemTrayIcon::ActivationReason reason) {
                             if (QWidget *window = windowForHandle(target))
                                 QCoreApplication::postEvent(
                                     window, new WindowMessageEvent(callback, id, notifyIconMessage(reason)));
                         });
    }
    icon->show();
    iconsUp()[key] = icon;
    return true;
}

bool deleteIcon(const NotifyIconData &data)
{
    QSystemTrayIcon *icon = notifyIconFor(data.hWnd, data.uID);
    iconsUp().erase({data.hWnd, data.uID});
    if (!icon)
        return false;
    icon->hide();
    // Not deleted on the spot: the caller may be running inside one of the icon's own signals.
    icon->deleteLater();
    return true;
}
} // namespace

bool notificationAreaAvailable()
{
    return notificationAreaOverride().value_or(QSystemTrayIcon::isSystemTrayAvailable());
}

void setNotificationAreaAvailableForTesting(std::optional<bool> available)
{
    notificationAreaOverride() = available;
}

QSystemTrayIcon *notifyIconFor(Handle hWnd, qint32 uID)
{
    const auto found = iconsUp().find({hWnd, uID});
    return found == iconsUp().end() ? nullptr : found->second.data();
}

bool Shell_NotifyIconA(int dwMessage, const NotifyIconData *lpData)
{
    if (!lpData)
        return false;
    switch (dwMessage) {
    case NIM_ADD:
        return addIcon(*lpData);
    case NIM_DELETE:
        return deleteIcon(*lpData);
    default:
        return false;
    }
}

bool ShowWindow(Handle hWnd, int nCmdShow)
{
    QWidget *window = windowForHandle(hWnd);
    if (!window)
        return false;
    const bool wasVisible = window->isVisible();
    switch (nCmdShow) {
    case SW_HIDE:
        window->hide();
        break;
    case SW_SHOWNORMAL:
        window->showNormal();
        break;
    case SW_SHOWMINIMIZED:
        window->showMinimized();
        break;
    case SW_SHOW:
        window->show();
        break;
    default:
        break;
    }
    return wasVisible;
}

// The notification-area icon, minimise and exit, and the link labels: handlers of the main window.

#include "form1.h"
#include "ui_form1.h"

#include "Module3.h"
#include "MsgBox.h"
#include "PointerArgs.h"
#include "ProgramEnd.h"
#include "ProgramTitle.h"
#include "WindowFont.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QSessionManager>

namespace {
// Why the window is asked to close, in the numbers Form_QueryUnload is handed.
constexpr int UnloadFromWindowMenu = 0; // close box, window menu, Alt+F4, taskbar
constexpr int UnloadForSessionEnd = 2;  // log-off or shut-down

constexpr int CancelUnload = -1;

} // namespace

void form1::Command4_Click()
{
    const Handle window = handleForWindow(this);
    const Handle icon = handleForIcon(windowIcon());
    TrayIconData.hWnd = window;
    TrayIconData.uID = icon;
    TrayIconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    TrayIconData.uCallbackMessage = WM_MOUSEMOVE;
    TrayIconData.hIcon = icon;
    TrayIconData.szTip = tipField(ProgramTitle);
    TrayIconData.cbSize = NotifyIconDataSize;

    // Hidden without an icon the window could never be brought back; minimised it stays on the
    // taskbar.
    if (Shell_NotifyIconA(NIM_ADD, &TrayIconData))
        ShowWindow(window, SW_HIDE);
    else
        ShowWindow(window, SW_SHOWMINIMIZED);
}

void form1::Form_MouseMove(int Button, int Shift, float X, float Y)
{
    Q_UNUSED(Button)
    Q_UNUSED(Shift)
    Q_UNUSED(Y)
    // For an event on the notification icon, the "pixel position" is the event's message number.
    const float m = X / twipsPerPixelX(this);
    if (m == float(WM_LBUTTONUP) || m == float(WM_RBUTTONUP)) {
        Shell_NotifyIconA(NIM_DELETE, &TrayIconData);
        // A pointer move at this position over the visible window lands here too; it must not
        // pull the window in front of whatever the user is working in.
        if (!isVisible()) {
            show();
            raise();
            activateWindow();
        }
    }
    // The link labels have no "pointer left" event; this is where their hover ends.
    setLinkLabelBold(m_ui->Label3, false);
    setLinkLabelBold(m_ui->Label5, false);
}

void form1::Form_QueryUnload(int &Cancel, int UnloadMode)
{
    Q_UNUSED(UnloadMode)
    Shell_NotifyIconA(NIM_DELETE, &TrayIconData);
    const MsgBox::Answer answer = MsgBox::show(this, QStringLiteral("您确定退出程序吗？建议缩小到后台方便下次查询哦。"),
                                               QStringLiteral("退出确认"), MsgBox::Buttons::OkCancel);
    if (answer == MsgBox::Ok) {
        EndProgramAtOnce();
        return;
    }
    Cancel = CancelUnload;
    // Still hidden (the system asked while the window sat in the notification area): without its
    // icon the running program would be out of the user's reach.
    if (!isVisible() && !Shell_NotifyIconA(NIM_ADD, &TrayIconData))
        ShowWindow(handleForWindow(this), SW_SHOWMINIMIZED);
}

void form1::Label3_Click()
{
    ShellExecuteA(this, QStringLiteral("open"), m_endpoints.providerHomePage(), QString(), QString(), SW_SHOWNORMAL);
}

void form1::Label5_Click()
{
    ShellExecuteA(this, QStringLiteral("open"), m_endpoints.siteHomePage(), QString(), QString(), SW_SHOWNORMAL);
}

void form1::Label3_MouseMove(int Button, int Shift, float X, float Y)
{
    Q_UNUSED(Button)
    Q_UNUSED(Shift)
    Q_UNUSED(X)
    Q_UNUSED(Y)
    setLinkLabelBold(m_ui->Label3, true);
}

void form1::Label5_MouseMove(int Button, int Shift, float X, float Y)
{
    Q_UNUSED(Button)
    Q_UNUSED(Shift)
    Q_UNUSED(X)
    Q_UNUSED(Y)
    setLinkLabelBold(m_ui->Label5, true);
}

void form1::setLinkLabelBold(QWidget *label, bool bold)
{
    QFont font = label->font();
    if (font.bold() == bold)
        return;
    font.setBold(bold);
    label->setFont(font);
    // The labels size themselves to their text; bold strokes may take more room in some faces.
    label->adjustSize();
}

void form1::closeEvent(QCloseEvent *event)
{
    int cancel = 0;
    Form_QueryUnload(cancel, UnloadFromWindowMenu);
    if (cancel)
        event->ignore();
    else
        event->accept();
}

void form1::mouseMoveEvent(QMouseEvent *event)
{
    // Moves that a control let through (a drag that started on it, say) are the control's, not
    // the window's.
    const QPointF pos = event->position();
    if (!rect().contains(pos.toPoint()) || childAt(pos.toPoint()))
        return;
    const float tpp = twipsPerPixelX(this);
    Form_MouseMove(pointerButtons(event->buttons()), pointerShift(event->modifiers()), float(pos.x()) * tpp,
                   float(pos.y()) * tpp);
}

bool form1::event(QEvent *event)
{
    if (event->type() != WindowMessageEvent::eventType())
        return QWidget::event(event);

    const auto *message = static_cast<const WindowMessageEvent *>(event);
    // The notification icon calls back with the window's own mouse-move message and the icon
    // event's number where a real move carries its horizontal pixel position.
    if (message->message() == WM_MOUSEMOVE) {
        const float tpp = twipsPerPixelX(this);
        const auto x = qint16(message->lParam() & 0xFFFF);
        const auto y = qint16((message->lParam() >> 16) & 0xFFFF);
        Form_MouseMove(0, 0, float(x) * tpp, float(y) * tpp);
    }
    return true;
}

void form1::watchSessionEnd()
{
    auto *application = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (!application)
        return;
    connect(application, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &manager) {
        // Without leave to interact no question can be shown, and the session ends the program.
        if (!manager.allowsInteraction())
            return;
        int cancel = 0;
        Form_QueryUnload(cancel, UnloadForSessionEnd);
        if (cancel)
            manager.cancel();
        manager.release();
    });
}

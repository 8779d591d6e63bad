// The notification-area icon, minimise and exit, and the link labels: handlers of the main window.

#include "form1.h"
#include "ui_form1.h"

#include "Identity.h"
#include "Module3.h"
#include "MsgBox.h"
#include "PointerArgs.h"
#include "ProgramEnd.h"
#include "WindowFont.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QSessionManager>
#include <utility>

namespace {
// Why the window is asked to close, in the numbers Form_QueryUnload is handed.
constexpr int UnloadFromWindowMenu = 0; // close box, window menu, Alt+F4, taskbar
constexpr int UnloadForSessionEnd = 2;  // log-off or shut-down

constexpr int CancelUnload = -1;

} // namespace

void form1::Command4_Click()
{
    TrayIconData.hWnd = this;
    TrayIconData.uID = windowIcon().cacheKey();
    TrayIconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    TrayIconData.uCallbackMessage = WM_MOUSEMOVE;
    TrayIconData.hIcon = windowIcon();
    TrayIconData.szTip = ProgramTitle;
    TrayIconData.cbSize = NotifyIconDataSize;

    // Unlike the other outside calls' results, the add's answer counts here: hidden without an icon
    // the window could never be brought back; minimised it stays on the taskbar.
    if (Shell_NotifyIconA(NIM_ADD, &TrayIconData))
        ShowWindow(this, SW_HIDE);
    else
        ShowWindow(this, SW_SHOWMINIMIZED);
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
    // Still hidden (the session asked while the window sat in the notification area): without its
    // icon the running program would be out of the user's reach. So the icon goes up again, and
    // the add's answer is looked at once more: where it fails, the window shows minimised.
    if (!isVisible() && !Shell_NotifyIconA(NIM_ADD, &TrayIconData))
        ShowWindow(this, SW_SHOWMINIMIZED);
}

bool form1::routeLinkLabelInput(QObject *watched, QEvent *event)
{
    if (watched != m_ui->Label3 && watched != m_ui->Label5)
        return false;
    const bool isLabel3 = watched == m_ui->Label3;
    if (event->type() == QEvent::MouseMove) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        const float tpp = twipsPerPixelX(this);
        const QPointF pos = mouse->position();
        (this->*(isLabel3 ? &form1::Label3_MouseMove : &form1::Label5_MouseMove))(
            pointerButtons(mouse->buttons()), pointerShift(mouse->modifiers()), float(pos.x()) * tpp,
            float(pos.y()) * tpp);
        return true; // the pointer is over a control, not over the bare window
    }
    if (event->type() == QEvent::MouseButtonDblClick) {
        // A double click is one click and one double click; the labels handle no double click, so
        // the release that ends it is no second click.
        m_doubleClickedLabel = watched;
        return true;
    }
    if (event->type() != QEvent::MouseButtonRelease)
        return false;
    auto *mouse = static_cast<QMouseEvent *>(event);
    if (std::exchange(m_doubleClickedLabel, nullptr) == watched || mouse->button() != Qt::LeftButton ||
        !static_cast<QWidget *>(watched)->rect().contains(mouse->position().toPoint()))
        return false;
    isLabel3 ? Label3_Click() : Label5_Click();
    return true;
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

namespace {
class ManagedSessionEnd final : public form1::SessionEnd
{
public:
    explicit ManagedSessionEnd(QSessionManager &manager) : m_manager(manager) {}
    bool allowsInteraction() override { return m_manager.allowsInteraction(); }
    void cancel() override { m_manager.cancel(); }
    void release() override { m_manager.release(); }

private:
    QSessionManager &m_manager;
};
} // namespace

void form1::watchSessionEnd()
{
    auto *application = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (!application)
        return;
    connect(application, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &manager) {
        ManagedSessionEnd session(manager);
        sessionEnding(session);
    });
}

void form1::sessionEnding(SessionEnd &session)
{
    // Without leave to interact no question can be shown, and the session ends the program.
    if (!session.allowsInteraction())
        return;
    int cancel = 0;
    Form_QueryUnload(cancel, UnloadForSessionEnd);
    if (cancel)
        session.cancel();
    session.release();
}

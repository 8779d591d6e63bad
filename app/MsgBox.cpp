#include "MsgBox.h"

#include "Identity.h"
#include "Platform.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QIcon>
#include <QMessageBox>
#include <QShowEvent>

namespace MsgBox {
namespace {
Handler &handler()
{
    static Handler instance;
    return instance;
}

// Qt sizes a message box for its title on its own terms (the title in the window's font plus 50 px),
// which is too narrow for a title bar on either system: the query messages' four-character title gets
// 133 px on Linux, where its bar shows one character of four, and 120 px on Windows, less than its
// caption takes there. Windows' own box is wide enough for its caption; so is this one.
class TitledMessageBox : public QMessageBox
{
public:
    using QMessageBox::QMessageBox;

protected:
    bool event(QEvent *event) override
    {
        const bool handled = QMessageBox::event(event);
        // Qt fixes the size again on every layout request.
        if (event->type() == QEvent::LayoutRequest)
            widenForTitle();
        return handled;
    }

    void showEvent(QShowEvent *event) override
    {
        QMessageBox::showEvent(event);
        widenForTitle();
    }

private:
    void widenForTitle()
    {
        if (!isVisible())
            return;
        const int needed = Platform::titleBarWidth(windowTitle(), *this);
        if (width() < needed) {
            setFixedWidth(needed);
            QCoreApplication::removePostedEvents(this, QEvent::LayoutRequest);
        }
    }
};
} // namespace

void setHandler(Handler newHandler)
{
    handler() = std::move(newHandler);
}

Answer show(QWidget *parent, const QString &text, const QString &title, Buttons buttons)
{
    const QString shownTitle = title.isEmpty() ? ProgramTitle : title;
    if (handler())
        return handler()(text, shownTitle, buttons);

    TitledMessageBox box(QMessageBox::NoIcon, shownTitle, text,
                         buttons == Buttons::Ok ? QMessageBox::Ok : QMessageBox::Ok | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Ok);
    // Plain text buttons, as the original's, whatever the style or the desktop's theme asks for
    // (Linux's put a glyph on 确定 and 取消). Taken off here, where every box is made: the skin is a
    // style sheet the user may replace, and a style of our own would take the application's place
    // under it.
    for (QAbstractButton *button : box.buttons())
        button->setIcon(QIcon());
    return box.exec() == QMessageBox::Ok ? Ok : Cancel;
}

} // namespace MsgBox

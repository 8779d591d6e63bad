#include "MsgBox.h"

#include "ProgramTitle.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QShowEvent>

namespace MsgBox {
namespace {
Handler &handler()
{
    static Handler instance;
    return instance;
}

#ifndef Q_OS_WIN
// Title bars on Linux centre the title between the window icon and up to three buttons, in a font
// larger than the window's: Qt's own on Wayland (14 px, 82 px of buttons on the right), weston's and
// GNOME's bold. Qt sizes a message box for its title on Windows' terms (the title in the window's font
// plus 50 px), where "系统提示" gets 133 px and its bar shows one character of four. Windows' own box
// is wide enough for its caption; so is this one.
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
        const int needed = TitleBarWidth(windowTitle(), font());
        if (width() < needed) {
            setFixedWidth(needed);
            QCoreApplication::removePostedEvents(this, QEvent::LayoutRequest);
        }
    }
};
#endif
} // namespace

int TitleBarWidth(const QString &title, const QFont &windowFont)
{
    QFont titleFont = windowFont;
    titleFont.setPixelSize(14);
    titleFont.setBold(true);
    constexpr int buttonsAndMargins = 82; // the wider side; a centred title needs it on both
    return QFontMetrics(titleFont).horizontalAdvance(title) + 2 * buttonsAndMargins;
}

void setHandler(Handler newHandler)
{
    handler() = std::move(newHandler);
}

Answer show(QWidget *parent, const QString &text, const QString &title, Buttons buttons)
{
    const QString shownTitle = title.isEmpty() ? ProgramTitle : title;
    if (handler())
        return handler()(text, shownTitle, buttons);

#ifdef Q_OS_WIN
    QMessageBox box(QMessageBox::NoIcon,
#else
    TitledMessageBox box(
        QMessageBox::NoIcon,
#endif
                    shownTitle, text, buttons == Buttons::Ok ? QMessageBox::Ok : QMessageBox::Ok | QMessageBox::Cancel,
                    parent);
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok ? Ok : Cancel;
}

} // namespace MsgBox

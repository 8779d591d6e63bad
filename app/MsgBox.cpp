#include "MsgBox.h"

#include "ProgramTitle.h"

#include <QMessageBox>

namespace MsgBox {
namespace {
Handler &handler()
{
    static Handler instance;
    return instance;
}
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

    QMessageBox box(QMessageBox::NoIcon, shownTitle, text,
                    buttons == Buttons::Ok ? QMessageBox::Ok : QMessageBox::Ok | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok ? Ok : Cancel;
}

} // namespace MsgBox

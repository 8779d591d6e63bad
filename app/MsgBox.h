#pragma once

#include <QString>
#include <functional>

class QWidget;

// Every message box of the program goes through here: modal, no icon, OK (or OK and Cancel).
// A box given no title of its own shows the program title.
namespace MsgBox {

enum class Buttons
{
    Ok,
    OkCancel
};

enum Answer
{
    Ok = 1,
    Cancel = 2
};

Answer show(QWidget *parent, const QString &text, const QString &title = {}, Buttons buttons = Buttons::Ok);

// Tests answer the boxes without a modal loop. An empty handler restores the real boxes.
using Handler = std::function<Answer(const QString &text, const QString &title, Buttons buttons)>;
void setHandler(Handler handler);

} // namespace MsgBox

// Copy and clear commands, and the History list's menu: handlers of the main window.

#include "form1.h"
#include "ui_form1.h"

#include "ClipboardTexts.h"
#include "ListLines.h"
#include "MessageTexts.h"
#include "MsgBox.h"
#include "PointerArgs.h"
#include "ResultList.h"
#include "WindowFont.h"

#include <QClipboard>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

namespace {
void putOnClipboard(const QString &text)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
}
} // namespace

void form1::Command1_Click()
{
    putOnClipboard(ClipboardTexts::allLines(linesOf(m_ui->List1)));
}

void form1::Command5_Click()
{
    putOnClipboard(ClipboardTexts::firstAndLast(linesOf(m_ui->List1)));
}

void form1::Command6_Click()
{
    putOnClipboard(ClipboardTexts::lastLine(linesOf(m_ui->List1)));
}

void form1::Command2_Click()
{
    ++m_resultGeneration; // an answer still on its way must not land after the placeholder
    m_ui->Text2->clear();
    m_ui->List1->clear();
    m_ui->List1->addItem(PlaceholderLine);
}

bool form1::routeHistoryListInput(QObject *watched, QEvent *event)
{
    if (watched == m_ui->List2->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        const float tpp = twipsPerPixelX(this);
        List2_MouseDown(pointerButton(mouse->button()), pointerShift(mouse->modifiers()),
                        float(mouse->position().x()) * tpp, float(mouse->position().y()) * tpp);
        // A right press opens the menu and leaves the selection alone.
        return mouse->button() == Qt::RightButton;
    }
    if (watched == m_ui->List2 && event->type() == QEvent::KeyPress) {
        // The menu key and Shift+F10 reach the same commands without a mouse, below the current line.
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Menu || (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier)) {
            const QRect current = m_ui->List2->visualItemRect(m_ui->List2->currentItem());
            const QPoint anchor = current.isValid() ? current.bottomLeft() : QPoint(0, 0);
            showHistoryMenu(m_ui->List2->viewport()->mapToGlobal(anchor));
            return true;
        }
    }
    // The right press and the keys above have opened the menu already.
    return (watched == m_ui->List2 || watched == m_ui->List2->viewport()) && event->type() == QEvent::ContextMenu;
}

void form1::showHistoryMenu(const QPoint &globalPos)
{
    m_mnuedit->exec(globalPos);
}

void form1::List2_MouseDown(int Button, int Shift, float X, float Y)
{
    Q_UNUSED(Shift)
    Q_UNUSED(X)
    Q_UNUSED(Y)
    if (Button == PointerButton::Right)
        showHistoryMenu(QCursor::pos());
}

void form1::mnuedit2_Click()
{
    const QList<QListWidgetItem *> selected = m_ui->List2->selectedItems();
    if (selected.isEmpty() || selected.first()->text().isEmpty()) {
        MsgBox::show(this, SelectALineFirst);
        return;
    }
    delete m_ui->List2->takeItem(m_ui->List2->row(selected.first()));
    // Qt would move the selection to a neighbouring line, which a second command would then act
    // on without the user having picked it.
    m_ui->List2->selectionModel()->clear();
}

// Copy and clear commands, and the History list's menu: handlers of the main window.

#include "form1.h"
#include "ui_form1.h"

#include "ClipboardTexts.h"
#include "MsgBox.h"
#include "ResultList.h"

#include <QClipboard>
#include <QCursor>
#include <QGuiApplication>

namespace {
QStringList linesOf(const QListWidget *list)
{
    QStringList lines;
    lines.reserve(list->count());
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}

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

void form1::List2_MouseDown(int Button, int Shift, float X, float Y)
{
    Q_UNUSED(Shift)
    Q_UNUSED(X)
    Q_UNUSED(Y)
    constexpr int rightButton = 2;
    if (Button == rightButton)
        showHistoryMenu(QCursor::pos());
}

void form1::mnuedit2_Click()
{
    const QList<QListWidgetItem *> selected = m_ui->List2->selectedItems();
    if (selected.isEmpty() || selected.first()->text().isEmpty()) {
        MsgBox::show(this, QStringLiteral("请选择一条记录来操作！"));
        return;
    }
    delete m_ui->List2->takeItem(m_ui->List2->row(selected.first()));
    // Qt would move the selection to a neighbouring line, which a second command would then act
    // on without the user having picked it.
    m_ui->List2->selectionModel()->clear();
}

#include "ListBox.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace {
bool isArrowKey(int key)
{
    return key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Left || key == Qt::Key_Right;
}

bool movesTheFocusFrame(int key)
{
    return isArrowKey(key) || key == Qt::Key_Home || key == Qt::Key_End || key == Qt::Key_PageUp ||
           key == Qt::Key_PageDown;
}
} // namespace

// One column of lines: Left and Right step through it as Up and Down do, where Qt's would not move.
QModelIndex ListBox::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    if (cursorAction == MoveLeft)
        cursorAction = MoveUp;
    else if (cursorAction == MoveRight)
        cursorAction = MoveDown;
    return QListWidget::moveCursor(cursorAction, modifiers);
}

void ListBox::keyPressEvent(QKeyEvent *event)
{
    if (!movesTheFocusFrame(event->key())) {
        QListWidget::keyPressEvent(event);
        return;
    }
    // With nothing selected, the first arrow selects the line in the focus frame (Tab puts it on the
    // first line) rather than moving past it unselected.
    if (isArrowKey(event->key()) && count() > 0 && !selectionModel()->hasSelection()) {
        selectLine(currentIndex().isValid() ? currentIndex() : model()->index(0, 0));
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
    // Where the frame could not move, Qt leaves its line as it was.
    if (currentIndex().isValid() && !selectionModel()->isSelected(currentIndex()))
        selectLine(currentIndex());
}

void ListBox::selectLine(const QModelIndex &line)
{
    selectionModel()->setCurrentIndex(line, QItemSelectionModel::ClearAndSelect);
    scrollTo(line);
}

// The other buttons' presses are taken without a trace: Qt would select the line under the
// pointer and move the focus frame to it.
void ListBox::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        QListWidget::mousePressEvent(event);
}

#pragma once

#include <QListWidget>

// The window's two lists, with the selection rules of the original platform's list box, which its
// users and their screen readers rely on: only the left button selects a line, and every key that
// moves the focus frame selects the line it reaches. Qt's own list selects with any button, and
// leaves the framed line unselected where the frame cannot move (a one-line list, Home on the first
// line), where a command from the keyboard then finds nothing selected.
class ListBox : public QListWidget
{
    Q_OBJECT

public:
    explicit ListBox(QWidget *parent = nullptr) : QListWidget(parent) {}

protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void selectLine(const QModelIndex &line);
};

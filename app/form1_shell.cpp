// The notification-area icon, minimise and exit, and the link labels: handlers of the main window.

#include "form1.h"
#include "ui_form1.h"

#include <QCloseEvent>
#include <QMouseEvent>

// placeholder bodies, being written
void form1::Command4_Click() {}
void form1::Form_MouseMove(int, int, float, float) {}
void form1::Form_QueryUnload(int &, int) {}
void form1::Label3_Click() {}
void form1::Label5_Click() {}
void form1::Label3_MouseMove(int, int, float, float) {}
void form1::Label5_MouseMove(int, int, float, float) {}
void form1::setLinkLabelBold(QWidget *, bool) {}
void form1::closeEvent(QCloseEvent *event) { QWidget::closeEvent(event); }
void form1::mouseMoveEvent(QMouseEvent *event) { QWidget::mouseMoveEvent(event); }

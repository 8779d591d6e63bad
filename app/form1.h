#pragma once

#include "Endpoints.h"
#include "Module1.h"

#include <QWidget>
#include <memory>

namespace Ui {
class form1;
}
class QMenu;
class QAction;
class QTimer;
class QRadioButton;

// The program's one window. The handlers keep the names of the controls and events they belong to.
class form1 : public QWidget
{
    Q_OBJECT

public:
    explicit form1(const Endpoints &endpoints = Endpoints::fromBuild(), QWidget *parent = nullptr);
    ~form1() override;

    const Endpoints &endpoints() const { return m_endpoints; }
    // Tests shorten the time limit of the window's requests.
    void setHttpOptions(const HttpGetOptions &options) { m_httpOptions = options; }

    // Runs once before the window is first shown. Returns false when the program has been ended
    // (the update check said no); the window must not be shown then.
    bool Form_Load();

    // Window events
    void Form_MouseMove(int Button, int Shift, float X, float Y);
    void Form_QueryUnload(int &Cancel, int UnloadMode);

    // Tracking query and re-query
    void chaxun_Click();
    void Command3_Click();
    void mnuedit1_Click();

    // Copy and clear commands
    void Command1_Click();
    void Command2_Click();
    void Command5_Click();
    void Command6_Click();

    // History list menu
    void List2_MouseDown(int Button, int Shift, float X, float Y);
    void mnuedit2_Click();

    // Notification area
    void Command4_Click();

    // Link labels
    void Label3_Click();
    void Label3_MouseMove(int Button, int Shift, float X, float Y);
    void Label5_Click();
    void Label5_MouseMove(int Button, int Shift, float X, float Y);

protected:
    void closeEvent(QCloseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override; // the notification icon's events arrive as posted messages

private:
    enum class HistoryEntry
    {
        Append,
        Skip
    };
    // The steps shared by chaxun_Click and Command3_Click.
    void runQuery(HistoryEntry history);
    void showHistoryMenu(const QPoint &globalPos);
    void setLinkLabelBold(QWidget *label, bool bold);
    void wireEvents();
    void makeCourierGroupOneTabStop();
    void moveCourierTabStop();
    void watchSessionEnd(); // log-off and shut-down are close requests like any other

    std::unique_ptr<Ui::form1> m_ui;
    Endpoints m_endpoints;
    HttpGetOptions m_httpOptions;
    QMenu *m_mnuedit = nullptr;
    QAction *m_mnuedit1 = nullptr;
    QAction *m_mnuedit2 = nullptr;
    QTimer *m_Timer1 = nullptr;
    QList<QRadioButton *> m_couriersInTabOrder;
    // Bumped by every query that sends a request and by the clear command; a query whose answer arrives after a newer
    // one started leaves the Result list to the newer one.
    quint64 m_resultGeneration = 0;
};

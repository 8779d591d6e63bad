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

    // Tests shorten the time limit of the window's requests, and read the limits it has of its own.
    void setHttpOptions(const HttpGetOptions &options) { m_httpOptions = options; }
    const HttpGetOptions &httpOptions() const { return m_httpOptions; }

    // Start-up, in form1.cpp. Runs once before the window is first shown. Returns false when
    // the program has been ended (the update check said no); the window must not be shown then.
    bool Form_Load();

    // Notification area, exit and link labels, in form1_shell.cpp. The notification icon's
    // events reach Form_MouseMove by name, queued.
    Q_INVOKABLE void Form_MouseMove(int Button, int Shift, float X, float Y);
    void Form_QueryUnload(int &Cancel, int UnloadMode);
    void Command4_Click();
    void Label3_Click();
    void Label3_MouseMove(int Button, int Shift, float X, float Y);
    void Label5_Click();
    void Label5_MouseMove(int Button, int Shift, float X, float Y);

    // What the window needs of the session manager at log-off or shut-down; tests stand in for it.
    class SessionEnd
    {
    public:
        virtual ~SessionEnd() = default;
        virtual bool allowsInteraction() = 0; // asks leave to show a question
        virtual void cancel() = 0;            // keeps the session running
        virtual void release() = 0;           // done with the question
    };
    // The session is ending: a close request like any other, where the session lets the window ask.
    void sessionEnding(SessionEnd &session);

    // Tracking query and re-query, in form1_query.cpp
    void chaxun_Click();
    void Command3_Click();
    void mnuedit1_Click();

    // Copy and clear commands and the History list menu, in form1_results.cpp
    void Command1_Click();
    void Command2_Click();
    void Command5_Click();
    void Command6_Click();
    void List2_MouseDown(int Button, int Shift, float X, float Y);
    void mnuedit2_Click();

protected:
    void closeEvent(QCloseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // In form1.cpp: the wiring of events to handlers, and the courier group's one Tab stop.
    void wireEvents();
    void makeCourierGroupOneTabStop();
    void moveCourierTabStop();

    // In form1_shell.cpp
    bool routeLinkLabelInput(QObject *watched, QEvent *event); // true when the event has been dealt with
    void setLinkLabelBold(QWidget *label, bool bold);
    void watchSessionEnd();

    // In form1_query.cpp: the steps shared by chaxun_Click and Command3_Click.
    enum class HistoryEntry
    {
        Append,
        Skip
    };
    void runQuery(HistoryEntry history);

    // In form1_results.cpp
    bool routeHistoryListInput(QObject *watched, QEvent *event); // true when the event has been dealt with
    void showHistoryMenu(const QPoint &globalPos);

    std::unique_ptr<Ui::form1> m_ui;
    Endpoints m_endpoints;
    HttpGetOptions m_httpOptions;
    QMenu *m_mnuedit = nullptr;
    QAction *m_mnuedit1 = nullptr;
    QAction *m_mnuedit2 = nullptr;
    QTimer *m_Timer1 = nullptr;
    QList<QRadioButton *> m_couriersInTabOrder;
    QObject *m_doubleClickedLabel = nullptr; // the link label whose double click's release is still to come
    // Bumped by every query that sends a request and by the clear command; a query whose answer arrives after a newer
    // one started leaves the Result list to the newer one.
    quint64 m_resultGeneration = 0;
};

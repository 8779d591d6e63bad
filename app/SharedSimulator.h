#pragma once

// The simulator of a demonstration build, shared by every running copy of the program. Each copy
// holds a lease on it (one connection, left open; see TrackingProtocol.h), and a simulator started
// with --end-when-unused ends when its last lease closes. The system closes a process's connections
// however the process ends (a return from main, _Exit, being killed), so the simulator lives exactly
// as long as some copy uses it, and nothing of the program's own has to run at its end.

#include <QByteArray>
#include <QDeadlineTimer>
#include <QObject>
#include <QString>
#include <QTimer>

class QTcpSocket;

class SharedSimulator : public QObject
{
    Q_OBJECT

public:
    // A first start behind a virus scanner, or under Wine, can take seconds.
    static constexpr int DefaultWaitMs = 10 * 1000;
    // A lease lost while the program runs is sought this long: the window is in use meanwhile.
    static constexpr int RetakeWaitMs = 3 * 1000;

    SharedSimulator(const QString &executable, quint16 port, QObject *parent = nullptr);
    ~SharedSimulator() override;

    // Takes a lease, first starting the simulator where nothing answers on the port, and returns
    // once it is held or `waitMs` have passed, handling the thread's events meanwhile (the start-up's
    // update check needs the simulator, so it waits). False when no lease could be had (the
    // executable is missing, or something else answers there): the program then runs on, and its
    // requests fail as they would without a server. A lease that ends while the program runs (the
    // simulator was ended) is sought again in the background, without holding the thread up.
    bool acquire(int waitMs = DefaultWaitMs);
    bool holdsLease() const { return m_lease != nullptr; }
    // Whether a simulator was started here rather than found.
    bool startedSimulator() const { return m_started; }
    // Lets go of the lease, for good.
    void release();

signals:
    // A search for a lease has ended, with the lease or without it.
    void searchEnded(bool held);

private:
    void search(int waitMs);
    void ask();
    void readAnswer();
    void noAnswer();
    void endSearch(bool held);
    void dropQuestion();
    bool startSimulator();
    void onLeaseLost();

    QString m_executable;
    quint16 m_port;
    QTcpSocket *m_lease = nullptr;
    // The search: the connection asking for a lease, what it has been answered so far, until when
    // it goes on, and whether it has started a simulator.
    QTcpSocket *m_question = nullptr;
    QByteArray m_answer;
    QDeadlineTimer m_deadline;
    QTimer m_nextQuestion;
    QTimer m_giveUp;
    bool m_searching = false;
    bool m_startedInSearch = false;
    bool m_started = false;
};

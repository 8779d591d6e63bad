#pragma once

// The simulator of a demonstration build, shared by every running copy of the program. Each copy
// holds a lease on it (one connection, left open; see TrackingProtocol.h), and a simulator started
// with --end-when-unused ends when its last lease closes. The system closes a process's connections
// however the process ends (a return from main, _Exit, being killed), so the simulator lives exactly
// as long as some copy uses it, and nothing of the program's own has to run at its end.

#include <QObject>
#include <QString>

class QTcpSocket;

class SharedSimulator : public QObject
{
    Q_OBJECT

public:
    // A first start behind a virus scanner, or under Wine, can take seconds.
    static constexpr int DefaultWaitMs = 10 * 1000;

    SharedSimulator(const QString &executable, quint16 port, QObject *parent = nullptr);
    ~SharedSimulator() override;

    // Takes a lease, first starting the simulator where nothing answers on the port; waits at most
    // `waitMs`. False when no lease could be had (the executable is missing, or something else
    // answers there): the program then runs on, and its requests fail as they would without a
    // server. A lease that ends while the program runs (the simulator was ended) is taken again.
    bool acquire(int waitMs = DefaultWaitMs);
    bool holdsLease() const { return m_lease != nullptr; }
    // Whether acquire() started a simulator itself rather than finding one.
    bool startedSimulator() const { return m_started; }
    // Lets go of the lease, for good.
    void release();

private:
    enum class Attempt
    {
        Held,
        NoAnswer,   // nothing listens, or it closed before it answered
        OtherServer // something answered, but grants no lease
    };
    Attempt tryLease(int waitMs);
    bool startSimulator();
    void onLeaseLost();

    QString m_executable;
    quint16 m_port;
    QTcpSocket *m_lease = nullptr;
    bool m_started = false;
};

#pragma once

// The simulator's HTTP side: GET requests on the loopback interface, one answer per connection, and
// the leases of the programs that use it (see TrackingProtocol.h).

#include <QObject>
#include <QString>

class LoopbackHttpServer;

class SimulatorServer : public QObject
{
    Q_OBJECT

public:
    explicit SimulatorServer(const QString &updateAnswer, QObject *parent = nullptr);

    bool listen(quint16 port); // the loopback address; 0 picks a free port
    quint16 port() const;
    QString errorString() const;

    int leaseCount() const { return m_leases; }

signals:
    void lastLeaseEnded();

private:
    LoopbackHttpServer *m_http;
    QString m_updateAnswer;
    int m_leases = 0;
};

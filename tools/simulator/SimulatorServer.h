#pragma once

// The simulator's HTTP side: GET requests on the loopback interface, one answer per connection.

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

private:
    LoopbackHttpServer *m_http;
    QString m_updateAnswer;
};

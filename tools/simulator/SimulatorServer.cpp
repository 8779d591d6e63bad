#include "SimulatorServer.h"

#include "TrackingService.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

namespace {

constexpr qsizetype maxRequestHeadBytes = 64 * 1024;

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    default:
        return "Status";
    }
}

void answer(QTcpSocket *socket, const TrackingService::Answer &answer)
{
    socket->write("HTTP/1.1 " + QByteArray::number(answer.status) + ' ' + reasonPhrase(answer.status) + "\r\n" +
                  "Content-Type: " + answer.contentType + "\r\n" + "Content-Length: " +
                  QByteArray::number(answer.body.size()) + "\r\n" + "Connection: close\r\n\r\n" + answer.body);
    socket->disconnectFromHost();
}

} // namespace

SimulatorServer::SimulatorServer(const QString &updateAnswer, QObject *parent)
    : QObject(parent), m_server(new QTcpServer(this)), m_updateAnswer(updateAnswer)
{
    connect(m_server, &QTcpServer::newConnection, this, &SimulatorServer::onNewConnection);
}

bool SimulatorServer::listen(quint16 port)
{
    return m_server->listen(QHostAddress::LocalHost, port);
}

quint16 SimulatorServer::port() const
{
    return m_server->serverPort();
}

QString SimulatorServer::errorString() const
{
    return m_server->errorString();
}

void SimulatorServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        m_received.insert(socket, {});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QObject::destroyed, this, [this, socket] { m_received.remove(socket); });
        if (socket->bytesAvailable() > 0)
            onReadyRead(socket);
    }
}

void SimulatorServer::onReadyRead(QTcpSocket *socket)
{
    if (!m_received.contains(socket))
        return; // answered already: one request per connection
    QByteArray &received = m_received[socket];
    received += socket->readAll();
    const qsizetype headEnd = received.indexOf("\r\n\r\n");
    if (headEnd < 0) {
        if (received.size() > maxRequestHeadBytes)
            socket->abort();
        return;
    }

    const QList<QByteArray> requestLine = received.left(received.indexOf("\r\n")).split(' ');
    m_received.remove(socket);
    if (requestLine.size() != 3) {
        answer(socket, {400, "text/plain;charset=utf-8", "bad request"});
        return;
    }
    const QByteArray target = requestLine[1];
    const qsizetype queryStart = target.indexOf('?');
    const QString path = QUrl::fromPercentEncoding(queryStart < 0 ? target : target.left(queryStart));
    const QString query = queryStart < 0 ? QString() : QString::fromUtf8(target.mid(queryStart + 1));
    answer(socket, TrackingService::answerFor(path, query, m_updateAnswer));
}

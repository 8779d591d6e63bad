#include "SimulatorServer.h"

#include "LoopbackHttpServer.h"
#include "TrackingService.h"

#include <QTcpSocket>

SimulatorServer::SimulatorServer(const QString &updateAnswer, QObject *parent)
    : QObject(parent), m_updateAnswer(updateAnswer)
{
    m_http = new LoopbackHttpServer(
        [this](QTcpSocket *socket, const HttpRequestHead &request) {
            if (request.method.isEmpty()) {
                LoopbackHttpServer::answer(socket, 400, "text/plain;charset=utf-8", "bad request");
                return;
            }
            const TrackingService::Answer answer =
                TrackingService::answerFor(request.path, request.query, m_updateAnswer);
            LoopbackHttpServer::answer(socket, answer.status, answer.contentType, answer.body);
        },
        this);
}

bool SimulatorServer::listen(quint16 port)
{
    return m_http->listen(port);
}

quint16 SimulatorServer::port() const
{
    return m_http->port();
}

QString SimulatorServer::errorString() const
{
    return m_http->errorString();
}

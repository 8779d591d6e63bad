#include "LoopbackHttpServer.h"

#include "TrackingProtocol.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

namespace {

// Requests larger than this are not from our clients; drop them rather than buffer forever.
constexpr qsizetype maxRequestHeadBytes = 64 * 1024;

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 204:
        return "No Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 303:
        return "See Other";
    case 307:
        return "Temporary Redirect";
    case 308:
        return "Permanent Redirect";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

HttpRequestHead parseHead(const QByteArray &head)
{
    const QList<QByteArray> lines = head.split('\n');
    HttpRequestHead request;
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    if (requestLine.size() != 3)
        return request;
    request.method = requestLine[0];
    request.target = requestLine[1];
    const qsizetype queryStart = request.target.indexOf('?');
    request.path = QUrl::fromPercentEncoding(queryStart < 0 ? request.target : request.target.left(queryStart));
    if (queryStart >= 0)
        request.query = QString::fromLatin1(request.target.mid(queryStart + 1));
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0)
            request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }
    return request;
}

} // namespace

LoopbackHttpServer::LoopbackHttpServer(RequestHandler handler, QObject *parent)
    : LoopbackHttpServer(std::move(handler), new QTcpServer, parent)
{}

LoopbackHttpServer::LoopbackHttpServer(RequestHandler handler, QTcpServer *server, QObject *parent)
    : QObject(parent), m_server(server), m_handler(std::move(handler))
{
    m_server->setParent(this);
    // Not newConnection: a TLS server has its connection to hand out only once the handshake is over.
    connect(m_server, &QTcpServer::pendingConnectionAvailable, this, &LoopbackHttpServer::onNewConnection);
}

// The sockets are children of m_server, so a stalled connection lives exactly as long as the server.
// Deleted here, while the bookkeeping their destruction touches still exists.
LoopbackHttpServer::~LoopbackHttpServer()
{
    delete m_server;
}

bool LoopbackHttpServer::listen(quint16 port)
{
    return m_server->listen(QHostAddress(TrackingProtocol::LoopbackAddress), port);
}

quint16 LoopbackHttpServer::port() const
{
    return m_server->serverPort();
}

QString LoopbackHttpServer::errorString() const
{
    return m_server->errorString();
}

QByteArray LoopbackHttpServer::responseHead(int status, const QByteArray &contentType, qsizetype contentLength,
                                            const HttpHeaders &extraHeaders)
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) + "\r\n";
    if (!contentType.isEmpty())
        head += "Content-Type: " + contentType + "\r\n";
    head += "Content-Length: " + QByteArray::number(contentLength) + "\r\n";
    head += "Connection: close\r\n";
    for (const auto &[name, value] : extraHeaders)
        head += name + ": " + value + "\r\n";
    return head + "\r\n";
}

void LoopbackHttpServer::answer(QTcpSocket *socket, int status, const QByteArray &contentType, const QByteArray &body)
{
    socket->write(responseHead(status, contentType, body.size()) + body);
    socket->disconnectFromHost();
}

void LoopbackHttpServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        m_received.insert(socket, {});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QObject::destroyed, this, [this, socket] { m_received.remove(socket); });
        // Data may have arrived together with the connection.
        if (socket->bytesAvailable() > 0)
            onReadyRead(socket);
    }
}

void LoopbackHttpServer::onReadyRead(QTcpSocket *socket)
{
    if (!m_received.contains(socket))
        return; // already answered or being answered; one request per connection

    QByteArray &received = m_received[socket];
    received += socket->readAll();
    const qsizetype headEnd = received.indexOf("\r\n\r\n");
    if (headEnd < 0) {
        if (received.size() > maxRequestHeadBytes)
            socket->abort();
        return;
    }
    const HttpRequestHead request = parseHead(received.left(headEnd));
    m_received.remove(socket);
    m_handler(socket, request);
}

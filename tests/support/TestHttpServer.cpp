#include "TestHttpServer.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#endif

namespace {

// Requests larger than this are not from our clients; drop them rather than buffer forever.
constexpr qsizetype maxRequestHeadBytes = 64 * 1024;

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 201:
        return "Created";
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

QByteArray responseHead(const TestHttpServer::Response &response)
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reasonPhrase(response.status) + "\r\n";
    if (!response.contentType.isEmpty())
        head += "Content-Type: " + response.contentType + "\r\n";
    head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    head += "Connection: close\r\n";
    for (const auto &[name, value] : response.extraHeaders)
        head += name + ": " + value + "\r\n";
    head += "\r\n";
    return head;
}

// A close with SO_LINGER at zero makes the kernel send RST instead of FIN, which is what a client
// sees when a server crashes or a middlebox drops the connection.
void resetConnection(QTcpSocket *socket)
{
#ifdef Q_OS_UNIX
    const qintptr descriptor = socket->socketDescriptor();
    if (descriptor != -1) {
        const linger noLinger{1, 0};
        ::setsockopt(int(descriptor), SOL_SOCKET, SO_LINGER, &noLinger, sizeof noLinger);
    }
#endif
    socket->abort();
}

} // namespace

TestHttpServer::TestHttpServer(QObject *parent) : QObject(parent), m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &TestHttpServer::onNewConnection);
}

// The sockets are children of m_server, so a stalled connection lives exactly as long as the server.
// Deleted here, while the bookkeeping their destruction touches still exists.
TestHttpServer::~TestHttpServer()
{
    delete m_server;
}

bool TestHttpServer::listen()
{
    return m_server->listen(QHostAddress::LocalHost, 0);
}

quint16 TestHttpServer::port() const
{
    return m_server->serverPort();
}

QString TestHttpServer::hostAndPort() const
{
    return QStringLiteral("127.0.0.1:%1").arg(port());
}

QString TestHttpServer::url(const QString &pathAndQuery) const
{
    return QStringLiteral("http://") + hostAndPort() + pathAndQuery;
}

void TestHttpServer::setResponse(const Response &response)
{
    m_default = response;
}

void TestHttpServer::setResponse(const QString &path, const Response &response)
{
    for (auto &entry : m_byPath) {
        if (entry.first == path) {
            entry.second = response;
            return;
        }
    }
    m_byPath.append({path, response});
}

void TestHttpServer::setResponder(std::function<Response(const Request &)> responder)
{
    m_responder = std::move(responder);
}

TestHttpServer::Response TestHttpServer::text(const QByteArray &body, int status, const QByteArray &contentType)
{
    Response response;
    response.status = status;
    response.contentType = contentType;
    response.body = body;
    return response;
}

void TestHttpServer::onNewConnection()
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

void TestHttpServer::onReadyRead(QTcpSocket *socket)
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

    const QList<QByteArray> lines = received.left(headEnd).split('\n');
    m_received.remove(socket);

    Request request;
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    const qsizetype queryStart = request.target.indexOf('?');
    const QByteArray rawPath = queryStart < 0 ? request.target : request.target.left(queryStart);
    request.path = QUrl::fromPercentEncoding(rawPath);
    if (queryStart >= 0)
        request.query = QString::fromLatin1(request.target.mid(queryStart + 1));
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0)
            request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }

    m_requests.append(request);
    emit requestReceived();
    respond(socket, request);
}

void TestHttpServer::respond(QTcpSocket *socket, const Request &request)
{
    const Response response = responseFor(request);

    // The socket is the timer's context: a client that gives up before the delay is over takes
    // the pending answer with it.
    QTimer::singleShot(response.delayMs, socket, [socket, response] {
        const QByteArray head = responseHead(response);
        const QByteArray firstHalf = response.body.left(response.body.size() / 2);
        switch (response.behaviour) {
        case Behaviour::Answer:
            socket->write(head + response.body);
            socket->disconnectFromHost();
            break;
        case Behaviour::StallMidBody:
            socket->write(head + firstHalf);
            socket->flush();
            break;
        case Behaviour::CloseWithoutAnswer:
            socket->disconnectFromHost();
            break;
        case Behaviour::ResetMidBody:
            socket->write(head + firstHalf);
            // Reset only once the half body has reached the kernel, so the client really sees a
            // connection break off in the middle of a body and not before its start.
            QObject::connect(socket, &QTcpSocket::bytesWritten, socket, [socket] {
                if (socket->bytesToWrite() == 0)
                    QTimer::singleShot(20, socket, [socket] { resetConnection(socket); });
            });
            socket->flush();
            break;
        }
    });
}

TestHttpServer::Response TestHttpServer::responseFor(const Request &request) const
{
    if (m_responder)
        return m_responder(request);
    for (const auto &[path, response] : m_byPath) {
        if (path == request.path)
            return response;
    }
    return m_default;
}

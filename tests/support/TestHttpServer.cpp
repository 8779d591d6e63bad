#include "TestHttpServer.h"

#include "Platform.h"
#include "TrackingProtocol.h"

#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <zlib.h>

#include <utility>

namespace {

// Runs `then` once everything written to `socket` has reached the client's end, so that a close or
// a reset that follows cannot overtake the data (a reset would discard what is still unsent) nor
// arrive together with it.
void whenDelivered(QTcpSocket *socket, std::function<void()> then)
{
    auto *poll = new QTimer(socket); // goes with the socket when the client leaves first
    poll->setInterval(1);
    QObject::connect(poll, &QTimer::timeout, socket, [socket, poll, then = std::move(then)] {
        if (socket->bytesToWrite() > 0 || Platform::unacknowledgedBytes(socket) > 0)
            return;
        poll->stop();
        poll->deleteLater();
        then();
    });
    socket->flush();
    poll->start();
}

// `windowBits` chooses the framing, as zlib has it: 15 + 16 gzip, 15 zlib, -15 a bare deflate stream.
QByteArray deflated(const QByteArray &data, int windowBits)
{
    z_stream stream{};
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        qFatal("zlib refuses to compress");
    QByteArray out(qsizetype(deflateBound(&stream, uLong(data.size()))), Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = uInt(out.size());
    const int status = deflate(&stream, Z_FINISH); // the bound leaves room for all of it at once
    out.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    if (status != Z_STREAM_END)
        qFatal("zlib did not finish the stream");
    return out;
}

} // namespace

TestHttpServer::TestHttpServer(QObject *parent) : TestHttpServer(new QTcpServer, QStringLiteral("http"), parent) {}

namespace {
QTcpServer *tlsServer(const QSslConfiguration &tls)
{
    auto *server = new QSslServer;
    server->setSslConfiguration(tls);
    return server;
}
} // namespace

TestHttpServer::TestHttpServer(const QSslConfiguration &tls, QObject *parent)
    : TestHttpServer(tlsServer(tls), QStringLiteral("https"), parent)
{}

TestHttpServer::TestHttpServer(QTcpServer *server, QString scheme, QObject *parent)
    : QObject(parent), m_scheme(std::move(scheme)), m_http(new LoopbackHttpServer(
                                                        [this](QTcpSocket *socket, const Request &request) {
                                                            m_requests.append(request);
                                                            respond(socket, request);
                                                        },
                                                        server, this))
{}

// Stalled connections end with the server, while what their ends touch still exists.
TestHttpServer::~TestHttpServer()
{
    delete m_http;
}

bool TestHttpServer::listen()
{
    return m_http->listen();
}

QString TestHttpServer::hostAndPort() const
{
    return QStringLiteral("%1:%2").arg(TrackingProtocol::LoopbackAddress).arg(m_http->port());
}

QString TestHttpServer::baseUrl() const
{
    return m_scheme + QStringLiteral("://") + hostAndPort();
}

QString TestHttpServer::url(const QString &pathAndQuery) const
{
    return baseUrl() + pathAndQuery;
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

TestHttpServer::Response TestHttpServer::compressed(const QByteArray &body, const QByteArray &encoding)
{
    const bool gzip = encoding.toLower().contains("gzip");
    Response response = text(deflated(body, gzip ? MAX_WBITS + 16 : MAX_WBITS));
    response.extraHeaders = {{"Content-Encoding", encoding}};
    return response;
}

TestHttpServer::Response TestHttpServer::bareDeflate(const QByteArray &body)
{
    Response response = text(deflated(body, -MAX_WBITS));
    response.extraHeaders = {{"Content-Encoding", "deflate"}};
    return response;
}

TestHttpServer::Response TestHttpServer::held(Response response)
{
    response.held = true;
    return response;
}

void TestHttpServer::whileHeld(std::function<void()> action)
{
    connect(this, &TestHttpServer::answerHeld, this, [this, action = std::move(action)] {
        action();
        releaseHeld();
    });
}

void TestHttpServer::releaseHeld()
{
    const auto waiting = std::exchange(m_held, {});
    for (const auto &[socket, response] : waiting) {
        if (socket)
            send(socket, response);
    }
}

void TestHttpServer::respond(QTcpSocket *socket, const Request &request)
{
    const Response response = responseFor(request);
    if (!response.held) {
        send(socket, response);
        return;
    }
    m_held.append({socket, response});
    QMetaObject::invokeMethod(this, &TestHttpServer::answerHeld, Qt::QueuedConnection);
}

void TestHttpServer::send(QTcpSocket *socket, const Response &response)
{
    const QByteArray head = LoopbackHttpServer::responseHead(response.status, response.contentType,
                                                             response.body.size(), response.extraHeaders);
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
    case Behaviour::CloseMidBody:
        socket->write(head + firstHalf);
        socket->disconnectFromHost();
        break;
    case Behaviour::CloseMidBodyAfterDelivery:
        socket->write(head + firstHalf);
        whenDelivered(socket, [socket] { socket->disconnectFromHost(); });
        break;
    case Behaviour::ResetMidBody:
        socket->write(head + firstHalf);
        whenDelivered(socket, [socket] { Platform::resetConnection(socket); });
        break;
    }
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

#include "TestHttpServer.h"

#include <QTcpSocket>
#include <QTimer>

#include <zlib.h>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#endif

namespace {

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

TestHttpServer::TestHttpServer(QObject *parent)
    : QObject(parent), m_http(new LoopbackHttpServer(
                           [this](QTcpSocket *socket, const Request &request) {
                               m_requests.append(request);
                               respond(socket, request);
                           },
                           this))
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
    return QStringLiteral("127.0.0.1:%1").arg(m_http->port());
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

void TestHttpServer::respond(QTcpSocket *socket, const Request &request)
{
    const Response response = responseFor(request);

    // The socket is the timer's context: a client that gives up before the delay is over takes
    // the pending answer with it.
    QTimer::singleShot(response.delayMs, socket, [socket, response] {
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
        case Behaviour::PauseThenCloseMidBody:
            // Closed at once, the end arrives with the data and Qt reports the cut-off itself; after a
            // pause the client has taken in the half body as if the rest were still to come.
            socket->write(head + firstHalf);
            socket->flush();
            QTimer::singleShot(100, socket, [socket] { socket->disconnectFromHost(); });
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

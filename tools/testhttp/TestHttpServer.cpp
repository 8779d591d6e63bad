#include "TestHttpServer.h"

#include <QTcpSocket>
#include <QTimer>

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

quint32 crc32(const QByteArray &data)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char byte : data) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void appendLittleEndian(QByteArray &out, quint32 value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out += char((value >> shift) & 0xFF);
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
    // qCompress gives a 4-byte size, then the zlib stream: a 2-byte header, the raw deflate data
    // and an Adler-32 trailer. gzip wraps the same raw data in its own header and trailer.
    QByteArray wire = qCompress(body).mid(4);
    if (encoding.toLower().contains("gzip")) {
        const QByteArray bare = bareDeflate(body).body;
        wire = QByteArray("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10) + bare;
        appendLittleEndian(wire, crc32(body));
        appendLittleEndian(wire, quint32(body.size()));
    }
    Response response = text(wire);
    response.extraHeaders = {{"Content-Encoding", encoding}};
    return response;
}

TestHttpServer::Response TestHttpServer::bareDeflate(const QByteArray &body)
{
    const QByteArray zlibStream = qCompress(body).mid(4);
    Response response = text(zlibStream.mid(2, zlibStream.size() - 6));
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

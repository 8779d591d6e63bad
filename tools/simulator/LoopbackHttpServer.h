#pragma once

// The HTTP side shared by the simulator and the tests' server: GET requests on the loopback address,
// one request head read per connection and handed to the owner, who answers on the socket.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <functional>

class QTcpServer;
class QTcpSocket;

using HttpHeaders = QList<QPair<QByteArray, QByteArray>>;

struct HttpRequestHead
{
    QByteArray method; // empty when the request line is malformed
    QByteArray target; // as sent: path and query, still percent-encoded
    QString path;      // decoded path
    QString query;     // the raw query string (after '?'), still percent-encoded
    HttpHeaders headers;
};

class LoopbackHttpServer : public QObject
{
    Q_OBJECT

public:
    using RequestHandler = std::function<void(QTcpSocket *socket, const HttpRequestHead &request)>;

    explicit LoopbackHttpServer(RequestHandler handler, QObject *parent = nullptr);
    // The same on `server`, which it takes over: a QSslServer, say, for requests over TLS.
    LoopbackHttpServer(RequestHandler handler, QTcpServer *server, QObject *parent = nullptr);
    ~LoopbackHttpServer() override;

    bool listen(quint16 port = 0); // TrackingProtocol::LoopbackAddress; 0 picks a free port
    quint16 port() const;
    QString errorString() const;

    // Status line and headers of an answer that closes the connection after its body.
    static QByteArray responseHead(int status, const QByteArray &contentType, qsizetype contentLength,
                                   const HttpHeaders &extraHeaders = {});
    // The whole answer, then the connection is closed.
    static void answer(QTcpSocket *socket, int status, const QByteArray &contentType, const QByteArray &body);

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);

    QTcpServer *m_server;
    RequestHandler m_handler;
    QHash<QTcpSocket *, QByteArray> m_received; // what each connection has sent before its head ended
};

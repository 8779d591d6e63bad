#pragma once

// A small HTTP/1.1 server for tests, plain or over TLS: the loopback address on an ephemeral port,
// one canned answer per request, with the misbehaviours a real network shows (late answers, stalls,
// resets, silent closes). A late answer is held until the test releases it, so a test decides what
// happens during the wait by events, not by the clock.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>
#include <functional>

#include "LoopbackHttpServer.h"

class QSslConfiguration;
class QTcpServer;
class QTcpSocket;

class TestHttpServer : public QObject
{
    Q_OBJECT

public:
    enum class Behaviour
    {
        Answer,             // status line, headers, whole body
        StallMidBody,       // headers and the first half of the body, then silence (connection kept open)
        CloseWithoutAnswer, // read the request, close the connection without a byte
        ResetMidBody,       // headers and the first half of the body, then, once the client has them, a TCP reset
        CloseMidBody,       // headers and the first half of the body, then at once an orderly close
        CloseMidBodyAfterDelivery, // the same, but the close only once the client has the half
    };

    struct Response
    {
        int status = 200;
        QByteArray contentType = "text/plain; charset=utf-8";
        QByteArray body;
        // Nothing is sent until the test calls releaseHeld(): an answer as late as the test needs it,
        // or, never released, a server that does not answer at all.
        bool held = false;
        Behaviour behaviour = Behaviour::Answer;
        QList<QPair<QByteArray, QByteArray>> extraHeaders; // e.g. {"Location", "/elsewhere"}
    };

    using Request = HttpRequestHead;

    explicit TestHttpServer(QObject *parent = nullptr);
    // Over TLS, with the certificate and key of `tls` (see TestCertificates.h): its URLs are https.
    explicit TestHttpServer(const QSslConfiguration &tls, QObject *parent = nullptr);
    ~TestHttpServer() override;

    bool listen();                                                        // the loopback address, ephemeral port
    QString hostAndPort() const;                                          // "127.0.0.1:PORT"
    QString baseUrl() const;                                              // "http://127.0.0.1:PORT" (or https)
    QString url(const QString &pathAndQuery = QStringLiteral("/")) const; // baseUrl() + pathAndQuery

    // The answer for every request (the default is an empty 200 answer) ...
    void setResponse(const Response &response);
    // ... or for requests whose decoded path equals `path` (takes precedence) ...
    void setResponse(const QString &path, const Response &response);
    // ... or computed per request (takes precedence over both).
    void setResponder(std::function<Response(const Request &)> responder);

    // Sends the held answers, in the order their requests came.
    void releaseHeld();
    // Each time a held answer's request has arrived: runs `action` (what a user does while the
    // request waits), then sends the held answers.
    void whileHeld(std::function<void()> action);

    int requestCount() const { return int(m_requests.size()); }
    Request lastRequest() const { return m_requests.isEmpty() ? Request{} : m_requests.last(); }

    // Convenience for bodies in a given form.
    static Response text(const QByteArray &body, int status = 200,
                         const QByteArray &contentType = "text/plain; charset=utf-8");
    // The same answer, held until releaseHeld().
    static Response held(Response response);
    // The body sent under the Content-Encoding `encoding`: in the gzip format when the name holds
    // "gzip" in any case ("x-gzip" too), otherwise in the zlib format, as HTTP means "deflate" ...
    static Response compressed(const QByteArray &body, const QByteArray &encoding);
    // ... or labelled "deflate" but sent as a bare deflate stream without the zlib wrapper.
    static Response bareDeflate(const QByteArray &body);

signals:
    // A request whose answer is held has arrived. Emitted from the event loop rather than from the
    // socket's handler, so a slot may wait for requests of its own (a second query, say).
    void answerHeld();

private:
    void respond(QTcpSocket *socket, const Request &request);
    Response responseFor(const Request &request) const;
    static void send(QTcpSocket *socket, const Response &response);

    TestHttpServer(QTcpServer *server, QString scheme, QObject *parent);

    QString m_scheme;
    LoopbackHttpServer *m_http = nullptr;
    Response m_default;
    QList<QPair<QString, Response>> m_byPath;
    std::function<Response(const Request &)> m_responder;
    QList<Request> m_requests;
    QList<QPair<QPointer<QTcpSocket>, Response>> m_held; // a client that gave up has taken its socket along
};

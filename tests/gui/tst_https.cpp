// The window against services over TLS. The tests' own authority is trusted through this process's
// default configuration, as a system's trust store would hold it; verification is never switched off.

#include "GuiTestSupport.h"
#include "Platform.h"
#include "TestCertificates.h"
#include "TrackingProtocol.h"

#include <QHostAddress>
#include <QListWidget>
#include <QSslServer>
#include <QSslSocket>
#include <QTest>

using TestCertificates::Server;
Q_DECLARE_METATYPE(Server)

class TestHttps : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void query_data();
    void query();
    void updateCheck_data();
    void updateCheck();

private:
    QString m_noTlsServer; // why this process cannot serve TLS; empty where it can
};

namespace {
const QByteArray EventsAnswer =
    R"({"message":"ok","status":"200","data":[{"time":"2015-06-01 08:00:00","context":"已收件"}]})";
const QString CertificateMessage = QStringLiteral("服务器证书验证失败");

// Under Wine a Windows process cannot be a TLS server, and a test's server is one (QSslServer, on
// the system's TLS: there is no other in a Windows build). Wine 8's Schannel is a client only:
// Qt's backend finds the server's certificate with CertFindChainInStore, a stub there, and the
// server's half of a handshake, AcceptSecurityContext, answers SEC_E_UNSUPPORTED_FUNCTION. What Qt
// reports is returned, empty once a handshake succeeds (a Wine that serves runs every row).
QString tlsServerFailure()
{
    QSslServer server;
    server.setSslConfiguration(TestCertificates::serverConfiguration(Server::Trusted));
    QString failure;
    QObject::connect(&server, &QSslServer::errorOccurred, &server,
                     [&failure](QSslSocket *socket, QAbstractSocket::SocketError) { failure = socket->errorString(); });
    if (!server.listen(QHostAddress(TrackingProtocol::LoopbackAddress)))
        return server.errorString();
    QSslSocket client;
    client.setPeerVerifyMode(QSslSocket::VerifyNone); // only the server's half is in question here
    client.connectToHostEncrypted(TrackingProtocol::LoopbackAddress, server.serverPort());
    if (!QTest::qWaitFor([&] { return server.hasPendingConnections() || !failure.isEmpty(); }, 10 * 1000))
        return QStringLiteral("no handshake within 10 s");
    return server.hasPendingConnections() ? QString() : failure;
}
} // namespace

void TestHttps::initTestCase()
{
    QVERIFY2(QSslSocket::supportsSsl(), "no TLS backend is linked in");
    TestCertificates::trustTestAuthority();
    if (Platform::runsUnderWine()) {
        const QString failure = tlsServerFailure();
        if (!failure.isEmpty())
            m_noTlsServer = QStringLiteral("Wine's Schannel cannot serve TLS (CertFindChainInStore is a stub, "
                                           "AcceptSecurityContext unsupported), and a test's server needs it: ") +
                            failure;
    }
}

void TestHttps::query_data()
{
    QTest::addColumn<Server>("server");
    QTest::addColumn<bool>("redirectToHttp"); // the TLS server answers with a redirect to a plain one
    QTest::addColumn<QString>("message");     // empty: the events are listed

    QTest::newRow("trusted certificate lists the events") << Server::Trusted << false << QString();
    QTest::newRow("unknown issuer") << Server::UnknownIssuer << false << CertificateMessage;
    QTest::newRow("wrong host name") << Server::WrongName << false << CertificateMessage;
    QTest::newRow("expired") << Server::Expired << false << CertificateMessage;
    QTest::newRow("redirect from https to http") << Server::Trusted << true << QStringLiteral("不安全的重定向");
}

void TestHttps::query()
{
    if (!m_noTlsServer.isEmpty())
        QSKIP(qPrintable(m_noTlsServer));
    QFETCH(Server, server);
    QFETCH(bool, redirectToHttp);
    QFETCH(QString, message);

    TestHttpServer plain;
    QVERIFY(plain.listen());
    plain.setResponse(TestHttpServer::text(EventsAnswer));
    TestHttpServer tls(TestCertificates::serverConfiguration(server));
    QVERIFY(tls.listen());
    TestHttpServer::Response answer = TestHttpServer::text(EventsAnswer);
    if (redirectToHttp) {
        answer = TestHttpServer::text({}, 302);
        answer.extraHeaders = {{"Location", plain.url().toLatin1()}};
    }
    tls.setResponse(answer);
    MessageBoxRecorder messages;
    form1 window(endpointsFor(tls));
    window.setHttpOptions({10 * 1000, 1024 * 1024});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    control<QRadioButton>(&window, "zhongtong")->setChecked(true);
    control<QLineEdit>(&window, "Text2")->setText(QStringLiteral("123456789012"));
    QTest::mouseClick(control<QPushButton>(&window, "chaxun"), Qt::LeftButton); // returns once answered

    QCOMPARE(plain.requestCount(), 0);
    const QStringList results = linesOf(control<QListWidget>(&window, "List1"));
    const QStringList history = linesOf(control<QListWidget>(&window, "List2"));
    if (message.isEmpty()) {
        QVERIFY2(messages.shown.isEmpty(), qPrintable(messages.shown.value(0).text));
        QCOMPARE(tls.requestCount(), 1);
        QCOMPARE(results, QStringList{QStringLiteral("2015-06-01 08:00:00   已收件")});
        QCOMPARE(history.size(), 1);
    } else {
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown.at(0).text, message);
        QCOMPARE(messages.shown.at(0).title, QStringLiteral("系统提示"));
        QCOMPARE(tls.requestCount(), redirectToHttp ? 1 : 0); // a refused certificate hears no request
        QVERIFY(results.isEmpty());
        QVERIFY(history.isEmpty());
    }
}

void TestHttps::updateCheck_data()
{
    QTest::addColumn<Server>("server");
    QTest::addColumn<bool>("runs");

    QTest::newRow("trusted certificate: the program starts") << Server::Trusted << true;
    QTest::newRow("expired certificate: it ends as on a busy server") << Server::Expired << false;
}

void TestHttps::updateCheck()
{
    if (!m_noTlsServer.isEmpty())
        QSKIP(qPrintable(m_noTlsServer));
    QFETCH(Server, server);
    QFETCH(bool, runs);

    TestHttpServer tls(TestCertificates::serverConfiguration(server));
    QVERIFY(tls.listen());
    tls.setResponse(TrackingProtocol::UpdateFilePath, TestHttpServer::text(TrackingProtocol::NoUpdateNeeded.toUtf8()));
    MessageBoxRecorder messages;
    EndRecorder end;
    OpenedUrls opened;
    form1 window(endpointsFor(tls));

    QCOMPARE(window.Form_Load(), runs);
    QCOMPARE(end.count, runs ? 0 : 1);
    QCOMPARE(opened.urls, QList<QUrl>{QUrl(tls.url(QStringLiteral("/")))});
    if (runs) {
        QVERIFY2(messages.shown.isEmpty(), qPrintable(messages.shown.value(0).text));
        QCOMPARE(tls.lastRequest().target, TrackingProtocol::UpdateFilePath.toLatin1());
    } else {
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown.at(0).text, QStringLiteral("服务器繁忙，请联系作者qq12345678"));
        QCOMPARE(tls.requestCount(), 0);
    }
}

QTEST_MAIN(TestHttps)
#include "tst_https.moc"

// The window against services over TLS. The tests' own authority is trusted through this process's
// default configuration, as a system's trust store would hold it; verification is never switched off.

#include "GuiTestSupport.h"
#include "TestCertificates.h"
#include "TrackingProtocol.h"

#include <QListWidget>
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
};

namespace {
const QByteArray EventsAnswer =
    R"({"message":"ok","status":"200","data":[{"time":"2015-06-01 08:00:00","context":"已收件"}]})";
const QString CertificateMessage = QStringLiteral("服务器证书验证失败");
} // namespace

void TestHttps::initTestCase()
{
    TestCertificates::trustTestAuthority();
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

#include "Module1.h"
#include "TestHttpServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QScopeGuard>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

using Behaviour = TestHttpServer::Behaviour;
using Response = TestHttpServer::Response;

Q_DECLARE_METATYPE(Response)

namespace {

// Long enough for a loaded machine, short enough that a fault shows up as a failure, not a hang.
constexpr int generousLimitMs = 10 * 1000;

HttpGetOptions boundedOptions(int transferTimeoutMs = generousLimitMs, qint64 maxBodyBytes = 16 * 1024 * 1024)
{
    HttpGetOptions options;
    options.transferTimeoutMs = transferTimeoutMs;
    options.maxBodyBytes = maxBodyBytes;
    return options;
}

Response withBehaviour(const QByteArray &body, Behaviour behaviour)
{
    Response response = TestHttpServer::text(body);
    response.behaviour = behaviour;
    return response;
}

Response redirectTo(const QByteArray &location)
{
    Response response = TestHttpServer::text("moved", 302);
    response.extraHeaders = {{"Location", location}};
    return response;
}

} // namespace

class TestHttpGet : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void bodyIsReturnedWhateverTheStatus_data();
    void bodyIsReturnedWhateverTheStatus();
    void urlReachesTheServerAsBuilt();
    void transferFailuresAreReported_data();
    void transferFailuresAreReported();
    void failuresBeforeAnyAnswer_data();
    void failuresBeforeAnyAnswer();
    void redirectIsFollowed();

    void eventsKeepFlowingDuringTheWait();
    void innerQueryFinishesBeforeTheOuterOne();
    void exitOfTheEventLoopsDoesNotCutTheWaitShort();

private:
    std::unique_ptr<TestHttpServer> m_server;
};

void TestHttpGet::init()
{
    m_server = std::make_unique<TestHttpServer>();
    QVERIFY(m_server->listen());
}

void TestHttpGet::bodyIsReturnedWhateverTheStatus_data()
{
    QTest::addColumn<Response>("response");
    QTest::addColumn<QString>("expected");

    QTest::newRow("200 with UTF-8 text") << TestHttpServer::text("不用更新") << QStringLiteral("不用更新");
    QTest::newRow("200 with GB2312 text")
        << TestHttpServer::text("\xD6\xD0\xCE\xC4", 200, "text/plain; charset=gb2312") << QStringLiteral("中文");
    QTest::newRow("404 error page") << TestHttpServer::text("<html>not here</html>", 404, "text/html")
                                    << QStringLiteral("<html>not here</html>");
    QTest::newRow("500 error page") << TestHttpServer::text("服务器内部错误", 500) << QStringLiteral("服务器内部错误");
    QTest::newRow("401 without a challenge") << TestHttpServer::text("denied", 401) << QStringLiteral("denied");
    QTest::newRow("503 error page") << TestHttpServer::text("busy", 503) << QStringLiteral("busy");
    for (const QByteArray encoding : {"gzip", "deflate"}) {
        QTest::addRow("whole %s body", encoding.constData())
            << TestHttpServer::compressed(QByteArray(3000, 'd'), encoding) << QString(3000, u'd');
    }
    QTest::newRow("empty body is an empty answer, not a failure") << TestHttpServer::text("") << QString();

    Response slow = TestHttpServer::text("late but whole");
    slow.delayMs = 300;
    QTest::newRow("slow answer within the time limit") << slow << QStringLiteral("late but whole");

    // Exactly at the limit is still allowed; the failure rows below go one byte over.
    QTest::newRow("body of exactly the size limit")
        << TestHttpServer::text(QByteArray(4096, 'x')) << QString(4096, u'x');
}

void TestHttpGet::bodyIsReturnedWhateverTheStatus()
{
    QFETCH(Response, response);
    QFETCH(QString, expected);
    m_server->setResponse(response);

    const HttpGetResult result = HttpGetText(m_server->url(), boundedOptions(generousLimitMs, 4096));

    QCOMPARE(result.error, QString());
    QVERIFY(!result.failed());
    QCOMPARE(result.text, expected);
}

void TestHttpGet::urlReachesTheServerAsBuilt()
{
    const QString pathAndQuery = QStringLiteral("/?com=zhongtong&nu=123456789012&id=5C1B0E9A7D3F2846B0A1C9E8D7F6A5B4");

    HttpGetText(m_server->url(pathAndQuery), boundedOptions());

    QCOMPARE(m_server->requestCount(), 1);
    QCOMPARE(m_server->lastRequest().method, QByteArray("GET"));
    QCOMPARE(QString::fromLatin1(m_server->lastRequest().target), pathAndQuery);
}

void TestHttpGet::transferFailuresAreReported_data()
{
    QTest::addColumn<Response>("response");
    QTest::addColumn<qint64>("maxBodyBytes");
    QTest::addColumn<QString>("expectedError");

    const QByteArray body(2000, 'b');
    QByteArray eventText;
    for (int i = 0; i < 200; ++i)
        eventText += R"({"time":"2015-06-01 08:12:)" + QByteArray::number(i) + R"(","context":"到达"},)";
    QTest::newRow("stall mid-body hits the time limit")
        << withBehaviour(body, Behaviour::StallMidBody) << qint64(1 << 20) << QStringLiteral("连接超时");
    Response silent = TestHttpServer::text("never sent");
    silent.delayMs = 60 * 1000;
    QTest::newRow("no answer at all hits the time limit") << silent << qint64(1 << 20) << QStringLiteral("连接超时");
    QTest::newRow("reset mid-body") << withBehaviour(body, Behaviour::ResetMidBody) << qint64(1 << 20)
                                    << QStringLiteral("连接中断");
    for (const QByteArray encoding : {"", "gzip", "deflate"}) {
        Response cutOff =
            encoding.isEmpty() ? TestHttpServer::text(body) : TestHttpServer::compressed(eventText, encoding);
        cutOff.behaviour = Behaviour::CloseMidBody;
        QTest::addRow("%s body closed half-way", encoding.isEmpty() ? "plain" : encoding.constData())
            << cutOff << qint64(1 << 20) << QStringLiteral("连接中断");
    }
    Response streamCutShort = TestHttpServer::compressed(eventText, "gzip");
    streamCutShort.body.chop(streamCutShort.body.size() / 2); // sent whole, as the server had it
    QTest::newRow("gzip stream without its end") << streamCutShort << qint64(1 << 20) << QStringLiteral("连接中断");
    QTest::newRow("closed without an answer")
        << withBehaviour(body, Behaviour::CloseWithoutAnswer) << qint64(1 << 20) << QStringLiteral("连接中断");
    QTest::newRow("body one byte over the limit")
        << TestHttpServer::text(body) << qint64(body.size() - 1) << QStringLiteral("数据过大");
    QTest::newRow("error page over the limit")
        << TestHttpServer::text(body, 500) << qint64(100) << QStringLiteral("数据过大");
    Response corrupt = TestHttpServer::text(QByteArray(300, '\xff')); // reserved block type
    corrupt.extraHeaders = {{"Content-Encoding", "deflate"}};
    QTest::newRow("body that cannot be decompressed") << corrupt << qint64(1 << 20) << QStringLiteral("网络错误");
    QTest::newRow("redirect loop") << redirectTo("/") << qint64(1 << 20) << QStringLiteral("重定向次数过多");
}

void TestHttpGet::transferFailuresAreReported()
{
    QFETCH(Response, response);
    QFETCH(qint64, maxBodyBytes);
    QFETCH(QString, expectedError);
    m_server->setResponse(response);

    QElapsedTimer clock;
    clock.start();
    const HttpGetResult result = HttpGetText(m_server->url(), boundedOptions(300, maxBodyBytes));

    QVERIFY2(clock.elapsed() < generousLimitMs, "the failure must end the wait, not hang it");
    QVERIFY(result.failed());
    QCOMPARE(result.error, expectedError);
    QCOMPARE(result.text, QString()); // never a half body
}

void TestHttpGet::failuresBeforeAnyAnswer_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("expectedError");

    QTcpServer placeholder;
    QVERIFY(placeholder.listen(QHostAddress::LocalHost, 0));
    const quint16 closedPort = placeholder.serverPort();
    placeholder.close();
    QTest::newRow("nobody listening") << QStringLiteral("http://127.0.0.1:%1/").arg(closedPort)
                                      << QStringLiteral("无法连接到服务器");
    QTest::newRow("scheme without a client") << QStringLiteral("gopher://127.0.0.1/") << QStringLiteral("网址无效");
    QTest::newRow("empty address") << QString() << QStringLiteral("网址无效");
}

void TestHttpGet::failuresBeforeAnyAnswer()
{
    QFETCH(QString, url);
    QFETCH(QString, expectedError);

    const HttpGetResult result = HttpGetText(url, boundedOptions());

    QCOMPARE(result.error, expectedError);
    QCOMPARE(result.text, QString());
}

void TestHttpGet::redirectIsFollowed()
{
    m_server->setResponse(QStringLiteral("/old"), redirectTo("/new"));
    m_server->setResponse(QStringLiteral("/new"), TestHttpServer::text("arrived"));

    const HttpGetResult result = HttpGetText(m_server->url(QStringLiteral("/old")), boundedOptions());

    QCOMPARE(result.error, QString());
    QCOMPARE(result.text, QStringLiteral("arrived"));
    QCOMPARE(m_server->lastRequest().path, QStringLiteral("/new"));
}

void TestHttpGet::eventsKeepFlowingDuringTheWait()
{
    Response slow = TestHttpServer::text("done");
    slow.delayMs = 400;
    m_server->setResponse(slow);

    QStringList order;
    QTimer::singleShot(20, [&order] { order << QStringLiteral("timer"); });
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [&order] { order << QStringLiteral("queued call"); }, Qt::QueuedConnection);
    const HttpGetResult result = HttpGetText(m_server->url(), boundedOptions());
    order << QStringLiteral("answer");

    QCOMPARE(result.text, QStringLiteral("done"));
    QCOMPARE(order, QStringList({QStringLiteral("queued call"), QStringLiteral("timer"), QStringLiteral("answer")}));
}

void TestHttpGet::innerQueryFinishesBeforeTheOuterOne()
{
    Response slow = TestHttpServer::text("outer");
    slow.delayMs = 300;
    m_server->setResponse(QStringLiteral("/slow"), slow);
    m_server->setResponse(QStringLiteral("/fast"), TestHttpServer::text("inner"));

    QStringList finished;
    QTimer::singleShot(30, [this, &finished] {
        finished << HttpGetText(m_server->url(QStringLiteral("/fast")), boundedOptions()).text;
    });
    finished << HttpGetText(m_server->url(QStringLiteral("/slow")), boundedOptions()).text;

    QCOMPARE(finished, QStringList({QStringLiteral("inner"), QStringLiteral("outer")}));
}

void TestHttpGet::exitOfTheEventLoopsDoesNotCutTheWaitShort()
{
    Response slow = TestHttpServer::text(QByteArray(100000, 'z'));
    slow.delayMs = 300;
    m_server->setResponse(slow);

    // What closing the last window does to every running event loop of the thread. It also makes
    // every later exec() return at once, until an application event loop has run and ended.
    QTimer::singleShot(20, [] { QCoreApplication::exit(0); });
    const auto restoreEventLoops = qScopeGuard([] {
        QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
        QCoreApplication::exec();
    });
    const HttpGetResult result = HttpGetText(m_server->url(), boundedOptions());

    QCOMPARE(result.error, QString());
    QCOMPARE(result.text.size(), 100000);
}

QTEST_GUILESS_MAIN(TestHttpGet)
#include "tst_httpget.moc"

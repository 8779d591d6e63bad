#include "Module1.h"
#include "TestHttpServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QOperatingSystemVersion>
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
    void bodyShorterThanAnnouncedWasCutOff_data();
    void bodyShorterThanAnnouncedWasCutOff();
    void failuresBeforeAnyAnswer_data();
    void failuresBeforeAnyAnswer();
    void redirectIsFollowed();
    void proxyStandsOnlyBeforeOtherHosts_data();
    void proxyStandsOnlyBeforeOtherHosts();
    void optionsChangedDuringTheWaitDoNotApply();

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
    // Qt reports these three as errors of its own (an invalid operation, a proxy's demand), not as
    // statuses; the server has answered all the same.
    QTest::newRow("400 with a message") << TestHttpServer::text(R"({"message":"单号不存在"})", 400)
                                        << QStringLiteral(R"({"message":"单号不存在"})");
    QTest::newRow("418") << TestHttpServer::text("teapot", 418) << QStringLiteral("teapot");
    QTest::newRow("407 from the server itself")
        << TestHttpServer::text("no proxy here", 407) << QStringLiteral("no proxy here");
    for (const QByteArray encoding : {"gzip", "deflate", "x-gzip", "GZIP", "Deflate"}) {
        QTest::addRow("whole %s body", encoding.constData())
            << TestHttpServer::compressed(QByteArray(3000, 'd'), encoding) << QString(3000, u'd');
    }
    QTest::newRow("deflate sent as a bare stream")
        << TestHttpServer::bareDeflate(QByteArray(3000, 'd')) << QString(3000, u'd');
    QTest::newRow("gzip body unpacking to exactly the size limit")
        << TestHttpServer::compressed(QByteArray(4096, 'x'), "gzip") << QString(4096, u'x');
    QTest::newRow("empty body is an empty answer, not a failure") << TestHttpServer::text("") << QString();
    Response emptyGzip = TestHttpServer::text("");
    emptyGzip.extraHeaders = {{"Content-Encoding", "gzip"}};
    QTest::newRow("empty body labelled gzip") << emptyGzip << QString();

    QTest::newRow("answer held back until the request is in")
        << TestHttpServer::held(TestHttpServer::text("late but whole")) << QStringLiteral("late but whole");

    // Exactly at the limit is still allowed; the failure rows below go one byte over.
    QTest::newRow("body of exactly the size limit")
        << TestHttpServer::text(QByteArray(4096, 'x')) << QString(4096, u'x');
}

void TestHttpGet::bodyIsReturnedWhateverTheStatus()
{
    QFETCH(Response, response);
    QFETCH(QString, expected);
    m_server->setResponse(response);
    m_server->whileHeld([] {});

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
    QByteArray acceptEncoding;
    for (const auto &[name, value] : m_server->lastRequest().headers) {
        if (name.compare("Accept-Encoding", Qt::CaseInsensitive) == 0)
            acceptEncoding = value;
    }
    QCOMPARE(acceptEncoding, QByteArray("gzip, deflate"));
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
    QTest::newRow("no answer at all hits the time limit")
        << TestHttpServer::held(TestHttpServer::text("never sent")) << qint64(1 << 20) << QStringLiteral("连接超时");
    QTest::newRow("reset mid-body") << withBehaviour(body, Behaviour::ResetMidBody) << qint64(1 << 20)
                                    << QStringLiteral("连接中断");
    for (const QByteArray encoding : {"", "gzip", "deflate"}) {
        Response cutOff =
            encoding.isEmpty() ? TestHttpServer::text(body) : TestHttpServer::compressed(eventText, encoding);
        cutOff.behaviour = Behaviour::CloseMidBody;
        QTest::addRow("%s body closed half-way", encoding.isEmpty() ? "plain" : encoding.constData())
            << cutOff << qint64(1 << 20) << QStringLiteral("连接中断");
    }
    // Closed once the half is in, Qt 6.4 mostly reports the close itself, but at times passes the
    // half as a success, and then only the announced length shows what is missing. A race inside Qt
    // decides (its network thread against the hand-over of the data to ours), which no server can
    // steer; the chunked row below tells for certain whether the announced length is heeded.
    QTest::newRow("plain body closed half-way once the client has the half")
        << withBehaviour(QByteArray(200000, 'p'), Behaviour::CloseMidBodyAfterDelivery) << qint64(1 << 20)
        << QStringLiteral("连接中断");
    // Chunks end a body by themselves, so Qt takes this one as an answer every time; the length
    // announced with it, that of the chunks and their framing, is more than the body.
    const QByteArray chunks = QByteArray::number(body.size(), 16) + "\r\n" + body + "\r\n0\r\n\r\n";
    Response chunked = TestHttpServer::text(chunks);
    chunked.extraHeaders = {{"Transfer-Encoding", "chunked"}};
    QTest::newRow("chunked body shorter than the length it announces as well")
        << chunked << qint64(1 << 20) << QStringLiteral("连接中断");
    Response streamCutShort = TestHttpServer::compressed(eventText, "gzip");
    streamCutShort.body.chop(streamCutShort.body.size() / 2); // sent whole, as the server had it
    QTest::newRow("gzip stream without its end") << streamCutShort << qint64(1 << 20) << QStringLiteral("连接中断");
    QTest::newRow("closed without an answer")
        << withBehaviour(body, Behaviour::CloseWithoutAnswer) << qint64(1 << 20) << QStringLiteral("连接中断");
    QTest::newRow("body one byte over the limit")
        << TestHttpServer::text(body) << qint64(body.size() - 1) << QStringLiteral("数据过大");
    QTest::newRow("error page over the limit")
        << TestHttpServer::text(body, 500) << qint64(100) << QStringLiteral("数据过大");
    // Half of it arrives, exactly the limit, and then nothing: only the announcement can tell.
    QTest::newRow("announced length over the limit fails at once, not at the time limit")
        << withBehaviour(body, Behaviour::StallMidBody) << qint64(body.size() / 2) << QStringLiteral("数据过大");
    QTest::newRow("gzip body unpacking one byte past the limit")
        << TestHttpServer::compressed(QByteArray(4097, 'x'), "gzip") << qint64(4096) << QStringLiteral("数据过大");
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

// Whether Qt itself reports a body closed half-way depends on when it notices the close, so the
// rows above with a cut-off body cannot tell the length check's cases apart; these do.
void TestHttpGet::bodyShorterThanAnnouncedWasCutOff_data()
{
    QTest::addColumn<qint64>("announced");
    QTest::addColumn<QString>("expectedError");

    QTest::newRow("half of the announced length") << qint64(200000) << QStringLiteral("连接中断");
    QTest::newRow("all of it") << qint64(100000) << QString();
    QTest::newRow("nothing announced") << qint64(-1) << QString();
}

void TestHttpGet::bodyShorterThanAnnouncedWasCutOff()
{
    QFETCH(qint64, announced);
    QFETCH(QString, expectedError);

    const HttpGetResult result = DecodeResponseBody("", announced, QByteArray(100000, 'h'), 1 << 20);

    QCOMPARE(result.error, expectedError);
    QCOMPARE(result.text.size(), expectedError.isEmpty() ? 100000 : 0);
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

void TestHttpGet::proxyStandsOnlyBeforeOtherHosts_data()
{
    QTest::addColumn<QString>("url"); // PORT stands for the server's port
    QTest::addColumn<bool>("serverIsTheProxy");
    QTest::addColumn<Response>("response");
    QTest::addColumn<QString>("expectedText");
    QTest::addColumn<QString>("expectedError");
    QTest::addColumn<QByteArray>("expectedTarget"); // what the server was asked for

    const Response fine = TestHttpServer::text("fine");
    QTest::newRow("loopback address past a dead proxy")
        << "http://127.0.0.1:PORT/x" << false << fine << "fine" << QString() << QByteArray("/x");
    QTest::newRow("localhost past a dead proxy")
        << "http://localhost:PORT/x" << false << fine << "fine" << QString() << QByteArray("/x");
    QTest::newRow("another host through the proxy")
        << "http://quorvel.invalid/x" << true << fine << "fine" << QString() << QByteArray("http://quorvel.invalid/x");
    Response credentials = TestHttpServer::text("log in first", 407);
    credentials.extraHeaders = {{"Proxy-Authenticate", R"(Basic realm="proxy")"}};
    QTest::newRow("a proxy asking for credentials is no answer")
        << "http://quorvel.invalid/x" << true << credentials << QString() << QStringLiteral("代理服务器要求验证身份")
        << QByteArray("http://quorvel.invalid/x");
}

void TestHttpGet::proxyStandsOnlyBeforeOtherHosts()
{
    QFETCH(QString, url);
    QFETCH(bool, serverIsTheProxy);
    QFETCH(Response, response);
    QFETCH(QString, expectedText);
    QFETCH(QString, expectedError);
    QFETCH(QByteArray, expectedTarget);
    if (serverIsTheProxy && QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows)
        QSKIP("Windows takes its proxy from the system's settings, not from http_proxy");
    m_server->setResponse(response);

    // Port 9 (discard) has no listener here: a request sent to this proxy fails.
    const QByteArray proxy = serverIsTheProxy ? m_server->url().toLatin1() : QByteArray("http://127.0.0.1:9");
    const QByteArray savedProxy = qgetenv("http_proxy");
    const bool hadProxy = qEnvironmentVariableIsSet("http_proxy");
    qputenv("http_proxy", proxy);
    const auto restore = qScopeGuard([&] {
        if (hadProxy)
            qputenv("http_proxy", savedProxy);
        else
            qunsetenv("http_proxy");
    });
    const QString port = m_server->hostAndPort().section(u':', 1);

    const HttpGetResult result = HttpGetText(QString(url).replace(QStringLiteral("PORT"), port), boundedOptions());

    QCOMPARE(result.error, expectedError);
    QCOMPARE(result.text, expectedText);
    QCOMPARE(m_server->lastRequest().target, expectedTarget);
}

// The caller's options may change, or go with their owner, while the request waits: the request
// keeps the limits it was started with.
void TestHttpGet::optionsChangedDuringTheWaitDoNotApply()
{
    m_server->setResponse(TestHttpServer::held(TestHttpServer::text(QByteArray(2000, 'o'))));
    HttpGetOptions options = boundedOptions();
    m_server->whileHeld([&options] { options.maxBodyBytes = 10; });

    const HttpGetResult result = HttpGetText(m_server->url(), options);

    QCOMPARE(result.error, QString());
    QCOMPARE(result.text.size(), 2000);
}

void TestHttpGet::eventsKeepFlowingDuringTheWait()
{
    m_server->setResponse(TestHttpServer::held(TestHttpServer::text("done")));

    // The timer starts and fires inside the wait, and only then does the answer go.
    QStringList order;
    connect(m_server.get(), &TestHttpServer::answerHeld, m_server.get(), [this, &order] {
        QTimer::singleShot(1, m_server.get(), [this, &order] {
            order << QStringLiteral("timer");
            m_server->releaseHeld();
        });
    });
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [&order] { order << QStringLiteral("queued call"); }, Qt::QueuedConnection);
    const HttpGetResult result = HttpGetText(m_server->url(), boundedOptions());
    order << QStringLiteral("answer");

    QCOMPARE(result.text, QStringLiteral("done"));
    QCOMPARE(order, QStringList({QStringLiteral("queued call"), QStringLiteral("timer"), QStringLiteral("answer")}));
}

void TestHttpGet::innerQueryFinishesBeforeTheOuterOne()
{
    m_server->setResponse(QStringLiteral("/slow"), TestHttpServer::held(TestHttpServer::text("outer")));
    m_server->setResponse(QStringLiteral("/fast"), TestHttpServer::text("inner"));

    QStringList finished;
    m_server->whileHeld(
        [this, &finished] { finished << HttpGetText(m_server->url(QStringLiteral("/fast")), boundedOptions()).text; });
    finished << HttpGetText(m_server->url(QStringLiteral("/slow")), boundedOptions()).text;

    QCOMPARE(finished, QStringList({QStringLiteral("inner"), QStringLiteral("outer")}));
}

void TestHttpGet::exitOfTheEventLoopsDoesNotCutTheWaitShort()
{
    m_server->setResponse(TestHttpServer::held(TestHttpServer::text(QByteArray(100000, 'z'))));

    // What closing the last window does to every running event loop of the thread. It also makes
    // every later exec() return at once, until an application event loop has run and ended. The
    // answer goes only after the loops have been told to end, on a later pass of events.
    connect(m_server.get(), &TestHttpServer::answerHeld, m_server.get(), [this] {
        QCoreApplication::exit(0);
        QMetaObject::invokeMethod(m_server.get(), &TestHttpServer::releaseHeld, Qt::QueuedConnection);
    });
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

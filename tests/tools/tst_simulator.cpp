#include "CarrierTable.h"
#include "Module1.h"
#include "Module2.h"
#include "SharedSimulator.h"
#include "SimulatorServer.h"
#include "TrackingProtocol.h"
#include "TrackingQuery.h"
#include "TrackingService.h"

#include <QDateTime>
#include <QNetworkProxy>
#include <QOperatingSystemVersion>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QUrl>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const QString key = TrackingProtocol::AccessKey;

HttpGetOptions bounded()
{
    HttpGetOptions options;
    options.transferTimeoutMs = 10 * 1000;
    return options;
}

// The path and query of a tracking request, as the program sends it (with another key, if given).
QString query(const QString &com, const QString &number, const QString &id = key)
{
    QString url = TrackingProtocol::requestUrl(
        TrackingProtocol::requestUrlTemplate(QStringLiteral("http://service.test")), com, number);
    url.replace(TrackingProtocol::AccessKey, id);
    return QUrl(url).toString(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::FullyEncoded);
}

// Generous bounds: under Wine a process takes seconds to start.
constexpr int ProcessBoundMs = 30 * 1000;
const QString simulatorExecutable = QStringLiteral(QUORVEL_SIMULATOR_EXECUTABLE);

quint16 freePort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost) ? probe.serverPort() : 0;
}

bool answers(quint16 port)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress(QHostAddress::LocalHost), port);
    return socket.waitForConnected(1000);
}

QStringList eventsAt(quint16 port)
{
    const HttpGetResult result =
        HttpGetText(QStringLiteral("http://127.0.0.1:%1").arg(port) + query("zhongtong", "123456789012"), bounded());
    return TrackingQuery::resultLines(result.text);
}

// This test's executable, started as "--hold-lease PORT HOW": a program that takes its lease (starting
// the simulator) and says "held", then ends as HOW says once it reads a line, or waits to be killed.
int holdLease(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    SharedSimulator simulator(simulatorExecutable, quint16(arguments.value(2).toUInt()));
    if (!simulator.acquire(ProcessBoundMs))
        return 1;
    std::puts("held");
    std::fflush(stdout);
    const QString how = arguments.value(3);
    if (how == QLatin1String("killed"))
        return app.exec();
    char line[16];
    if (!std::fgets(line, sizeof line, stdin))
        return 2;
    if (how == QLatin1String("_Exit"))
        std::_Exit(0);
    return 0;
}

} // namespace

class TestSimulator : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void eventsOfAKnownParcel_data();
    void eventsOfAKnownParcel();
    void problemReports_data();
    void problemReports();
    void sameNumberSameAnswer();
    void updateFileAndHomePage();
    void executableStartsAndStopsCleanly_data();
    void executableStartsAndStopsCleanly();
    void sharedByEveryCopyUntilTheLastEnds();
    void leaseTakenAgainWhenTheSimulatorEnds();
    void leaseTakenAgainWhileTheThreadGoesOn();
    void leaseAskedForOnlyOfTheSimulator_data();
    void leaseAskedForOnlyOfTheSimulator();
    void endsWithTheProgramHoweverItEnds_data();
    void endsWithTheProgramHoweverItEnds();

private:
    QString fetch(const QString &pathAndQuery);

    std::unique_ptr<SimulatorServer> m_server;
};

void TestSimulator::initTestCase()
{
    m_server = std::make_unique<SimulatorServer>(TrackingProtocol::NoUpdateNeeded);
    QVERIFY(m_server->listen(0));
}

QString TestSimulator::fetch(const QString &pathAndQuery)
{
    const HttpGetResult result =
        HttpGetText(QStringLiteral("http://127.0.0.1:%1").arg(m_server->port()) + pathAndQuery, bounded());
    [&] { QCOMPARE(result.error, QString()); }();
    return result.text;
}

void TestSimulator::eventsOfAKnownParcel_data()
{
    QTest::addColumn<QString>("com");
    QTest::addColumn<QString>("number");

    QTest::newRow("zhongtong, digits") << "zhongtong"
                                       << "123456789012";
    QTest::newRow("shunfeng, letters and digits") << "shunfeng"
                                                  << "SF1001234567";
    QTest::newRow("ems, shortest known number") << "ems"
                                                << "E12345";
    QTest::newRow("yunda, longest known number") << "yunda" << QString(30, u'7');
}

void TestSimulator::eventsOfAKnownParcel()
{
    QFETCH(QString, com);
    QFETCH(QString, number);

    const QStringList lines = TrackingQuery::resultLines(fetch(query(com, number)));

    QVERIFY2(lines.size() >= 2 && lines.size() <= 40, qPrintable(QString::number(lines.size())));
    static const QRegularExpression eventLine(QStringLiteral("^(\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d)   [^ ].*$"));
    QDateTime previous;
    for (const QString &line : lines) {
        const QRegularExpressionMatch match = eventLine.match(line);
        QVERIFY2(match.hasMatch(), qPrintable(line));
        const QDateTime time = QDateTime::fromString(match.captured(1), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        QVERIFY(time.isValid());
        if (previous.isValid())
            QVERIFY2(time > previous, "oldest first");
        previous = time;
    }
    QVERIFY2(lines.first().endsWith(QStringLiteral("已收件")), qPrintable(lines.first()));
}

void TestSimulator::problemReports_data()
{
    QTest::addColumn<QString>("pathAndQuery");
    QTest::addColumn<QStringList>("expectedLines");
    QTest::addColumn<QString>("expectedMessage");

    const QStringList noNumber{QStringLiteral("单号不存在或者已经过期")};
    QTest::newRow("wrong key") << query("zhongtong", "123456789012", "0000")
                               << QStringList{"授权错误，请检查单号和授权码"} << "授权错误，请检查单号和授权码";
    QTest::newRow("no key") << query("zhongtong", "123456789012", QString())
                            << QStringList{"授权错误，请检查单号和授权码"} << "授权错误，请检查单号和授权码";
    QTest::newRow("only zeros") << query("zhongtong", "000000") << noNumber << "单号不存在或者已经过期";
    QTest::newRow("too short") << query("zhongtong", "12345") << noNumber << "单号不存在或者已经过期";
    QTest::newRow("too long") << query("zhongtong", QString(31, u'1')) << noNumber << "单号不存在或者已经过期";
    QTest::newRow("not letters and digits") << query("zhongtong", "1234 5678") << noNumber << "单号不存在或者已经过期";
    QTest::newRow("Chinese characters") << query("zhongtong", "单号单号单号") << noNumber << "单号不存在或者已经过期";
    // Names no 单号, so the tool shows nothing for it.
    QTest::newRow("unknown courier") << query("nosuchcourier", "123456789012") << QStringList()
                                     << "快递公司参数异常：不支持的快递公司";
}

void TestSimulator::problemReports()
{
    QFETCH(QString, pathAndQuery);
    QFETCH(QStringList, expectedLines);
    QFETCH(QString, expectedMessage);

    const QString answer = fetch(pathAndQuery);

    QVERIFY2(!answer.contains(QStringLiteral("time")), qPrintable(answer));
    const QString messageMember = QStringLiteral("\"message\":\"") + expectedMessage + u'"';
    QVERIFY2(answer.contains(messageMember), qPrintable(answer));
    QCOMPARE(TrackingQuery::resultLines(answer), expectedLines);
}

void TestSimulator::sameNumberSameAnswer()
{
    const QString first = fetch(query("yuantong", "YT1234567890"));
    QCOMPARE(fetch(query("yuantong", "YT1234567890")), first);
    QVERIFY(fetch(query("yuantong", "YT1234567891")) != first);
}

void TestSimulator::updateFileAndHomePage()
{
    const TrackingService::Answer update = TrackingService::answerFor(QStringLiteral("/gengxin1.txt"), QString());
    QCOMPARE(update.body, QByteArray("不用更新")); // no BOM, no line end: the tool compares the whole text
    QCOMPARE(update.contentType, QByteArray("text/plain;charset=utf-8"));
    QCOMPARE(TrackingService::answerFor(QStringLiteral("/gengxin1.txt"), QString(), QStringLiteral("需要更新")).body,
             QByteArray("需要更新"));
    const QUrl tracking(query("ems", "E12345"));
    QCOMPARE(TrackingService::answerFor(tracking.path(), tracking.query(QUrl::FullyEncoded)).contentType,
             QByteArray("application/json;charset=utf-8"));

    QCOMPARE(fetch(QStringLiteral("/gengxin1.txt")), QStringLiteral("不用更新"));
    QVERIFY(fetch(QStringLiteral("/")).contains(QStringLiteral("<html")));
    QVERIFY(fetch(QStringLiteral("/provider/index.html")).contains(QStringLiteral("<html")));
}

void TestSimulator::executableStartsAndStopsCleanly_data()
{
    QTest::addColumn<bool>("bySignal");
    QTest::newRow("its last lease ends") << false;
    // Windows has no signal a process can send another to end it gently.
    if (QOperatingSystemVersion::currentType() != QOperatingSystemVersion::Windows)
        QTest::newRow("SIGTERM") << true;
}

void TestSimulator::executableStartsAndStopsCleanly()
{
    QFETCH(bool, bySignal);
    const quint16 port = freePort();
    QProcess simulator;
    QStringList arguments{QStringLiteral("--port"), QString::number(port), QStringLiteral("--update-answer"),
                          QStringLiteral("需要更新")};
    if (!bySignal)
        arguments << QStringLiteral("--end-when-unused");
    simulator.start(simulatorExecutable, arguments);
    QVERIFY(simulator.waitForStarted(ProcessBoundMs));
    QTRY_VERIFY_WITH_TIMEOUT(simulator.canReadLine(), ProcessBoundMs);
    const QString line = QString::fromUtf8(simulator.readLine()).trimmed();
    QCOMPARE(line, QStringLiteral("listening on http://127.0.0.1:%1").arg(port));

    SharedSimulator lease(simulatorExecutable, port);
    QVERIFY(lease.acquire(ProcessBoundMs));
    QVERIFY(!lease.startedSimulator());
    const HttpGetResult update = HttpGetText(QStringLiteral("http://127.0.0.1:%1/gengxin1.txt").arg(port), bounded());
    QCOMPARE(update.text, QStringLiteral("需要更新"));

    if (bySignal)
        simulator.terminate(); // SIGTERM
    else
        lease.release();
    QVERIFY(simulator.waitForFinished(ProcessBoundMs));
    QCOMPARE(simulator.exitStatus(), QProcess::NormalExit);
    QCOMPARE(simulator.exitCode(), 0);
}

void TestSimulator::sharedByEveryCopyUntilTheLastEnds()
{
    const quint16 port = freePort();
    SharedSimulator first(simulatorExecutable, port), second(simulatorExecutable, port);
    QVERIFY(first.acquire(ProcessBoundMs));
    QVERIFY(first.startedSimulator());
    QVERIFY(second.acquire(ProcessBoundMs));
    QVERIFY(!second.startedSimulator());

    first.release();
    QVERIFY(!eventsAt(port).isEmpty());
    second.release();
    QTRY_VERIFY_WITH_TIMEOUT(!answers(port), ProcessBoundMs);
}

void TestSimulator::leaseTakenAgainWhenTheSimulatorEnds()
{
    const quint16 port = freePort();
    QProcess running;
    running.start(simulatorExecutable, {QStringLiteral("--port"), QString::number(port)});
    QTRY_VERIFY_WITH_TIMEOUT(running.canReadLine(), ProcessBoundMs);
    SharedSimulator program(simulatorExecutable, port);
    QVERIFY(program.acquire(ProcessBoundMs));
    QVERIFY(!program.startedSimulator());

    running.kill(); // ended under the program: its lease closes
    QVERIFY(running.waitForFinished(ProcessBoundMs));
    QTRY_VERIFY_WITH_TIMEOUT(program.startedSimulator() && program.holdsLease(), ProcessBoundMs);
    QVERIFY(!eventsAt(port).isEmpty());
    program.release();
    QTRY_VERIFY_WITH_TIMEOUT(!answers(port), ProcessBoundMs);
}

// The simulator in this very process can answer only while the thread that seeks the lease goes on
// handling events, as the window's thread must: a lease lost while the window is in use is sought
// again without holding the window up.
void TestSimulator::leaseTakenAgainWhileTheThreadGoesOn()
{
    auto simulator = std::make_unique<SimulatorServer>(TrackingProtocol::NoUpdateNeeded);
    QVERIFY(simulator->listen(0));
    const quint16 port = simulator->port();
    SharedSimulator program(QString(), port); // nothing to start: only the one in this process
    QVERIFY(program.acquire(ProcessBoundMs));

    // Ended and started again at once: the lease closes, and the new simulator has to answer.
    simulator = std::make_unique<SimulatorServer>(TrackingProtocol::NoUpdateNeeded);
    QVERIFY(simulator->listen(port));
    QTRY_VERIFY_WITH_TIMEOUT(program.holdsLease() && simulator->leaseCount() == 1, ProcessBoundMs);
    QVERIFY(!program.startedSimulator());
}

void TestSimulator::leaseAskedForOnlyOfTheSimulator_data()
{
    QTest::addColumn<bool>("foreignServer");
    QTest::addColumn<bool>("proxy");
    // Another server answers every path with a page and closes: no lease, and it is asked once, not
    // again and again as it closes.
    QTest::newRow("another server on the port: asked once") << true << false;
    // The application's proxy is for other hosts; this one (a dead one) would take the question away.
    QTest::newRow("a proxy for the application: not asked") << false << true;
}

void TestSimulator::leaseAskedForOnlyOfTheSimulator()
{
    QFETCH(bool, foreignServer);
    QFETCH(bool, proxy);
    SimulatorServer simulator(TrackingProtocol::NoUpdateNeeded);
    QTcpServer other;
    int questions = 0;
    connect(&other, &QTcpServer::newConnection, &other, [&] {
        while (QTcpSocket *socket = other.nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, socket, [&questions, socket] {
                ++questions;
                socket->write("HTTP/1.1 200 OK\r\nContent-Length: 5\r\nConnection: close\r\n\r\nhello");
                socket->disconnectFromHost();
            });
        }
    });
    QVERIFY(foreignServer ? other.listen(QHostAddress::LocalHost) : simulator.listen(0));
    const quint16 port = foreignServer ? other.serverPort() : simulator.port();
    if (proxy)
        QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::Socks5Proxy, QStringLiteral("127.0.0.1"), 9));
    const auto restore = qScopeGuard([] { QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy); });

    SharedSimulator program(QString(), port);
    QCOMPARE(program.acquire(ProcessBoundMs), !foreignServer);
    if (foreignServer) {
        QTest::qWait(300); // time for any further question to arrive
        QCOMPARE(questions, 1);
        QVERIFY(!program.holdsLease());
    } else {
        QCOMPARE(simulator.leaseCount(), 1);
    }
}

void TestSimulator::endsWithTheProgramHoweverItEnds_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("return from main") << "return";
    QTest::newRow("immediate end") << "_Exit";
    QTest::newRow("killed") << "killed";
}

void TestSimulator::endsWithTheProgramHoweverItEnds()
{
    QFETCH(QString, how);
    const quint16 port = freePort();
    QProcess program;
    program.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("--hold-lease"), QString::number(port), how});
    QTRY_VERIFY_WITH_TIMEOUT(program.canReadLine(), ProcessBoundMs);
    QCOMPARE(program.readLine().trimmed(), QByteArray("held"));
    QVERIFY(!eventsAt(port).isEmpty());

    if (how == QLatin1String("killed"))
        program.kill();
    else
        program.write("end\n");
    QVERIFY(program.waitForFinished(ProcessBoundMs));
    QTRY_VERIFY_WITH_TIMEOUT(!answers(port), ProcessBoundMs);
}

int main(int argc, char *argv[])
{
    if (argc > 1 && std::strcmp(argv[1], "--hold-lease") == 0)
        return holdLease(argc, argv);
    QCoreApplication app(argc, argv);
    TestSimulator test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_simulator.moc"

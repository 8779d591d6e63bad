#include "CarrierTable.h"
#include "Module1.h"
#include "Module2.h"
#include "SimulatorServer.h"
#include "SimulatorThread.h"
#include "TrackingProtocol.h"
#include "TrackingQuery.h"
#include "TrackingService.h"

#include <QDateTime>
#include <QOperatingSystemVersion>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTcpServer>
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

QString urlAt(quint16 port, const QString &pathAndQuery)
{
    return QStringLiteral("http://127.0.0.1:%1").arg(port) + pathAndQuery;
}

QStringList eventsAt(quint16 port)
{
    return TrackingQuery::resultLines(HttpGetText(urlAt(port, query("zhongtong", "123456789012")), bounded()).text);
}

// This test's executable, started as "--serve PORT HOW": a copy of the program as far as its service
// goes. It serves the port from its thread before its first request (its start-up's update check),
// says "serving", and ends as HOW says once it reads a line (its main thread blocked meanwhile, the
// thread serving on), or waits to be killed.
int serveAsACopy(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const quint16 port = quint16(arguments.value(2).toUInt());
    SimulatorThread simulator(port);
    setBeforeEachRequest([&simulator] { simulator.serve(); });
    const HttpGetResult update = HttpGetText(urlAt(port, TrackingProtocol::UpdateFilePath), bounded());
    if (!simulator.serving() || update.text != TrackingProtocol::NoUpdateNeeded)
        return 1;
    std::puts("serving");
    std::fflush(stdout);
    const QString how = arguments.value(3);
    if (how == QLatin1String("killed"))
        return app.exec();
    char line[16];
    if (!std::fgets(line, sizeof line, stdin))
        return 2;
    if (how == QLatin1String("_Exit"))
        std::_Exit(0); // as EndProgramAtOnce ends the program
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
    void executableAnswersOnItsPort();
    void theNextCopyThatSendsServes_data();
    void theNextCopyThatSendsServes();

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
    const HttpGetResult result = HttpGetText(urlAt(m_server->port(), pathAndQuery), bounded());
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

// The developers' simulator: where it says it listens, what it answers there, and a clean end where
// the system has a gentle way to ask for one.
void TestSimulator::executableAnswersOnItsPort()
{
    const quint16 port = freePort();
    QProcess simulator;
    simulator.start(simulatorExecutable, {QStringLiteral("--port"), QString::number(port),
                                          QStringLiteral("--update-answer"), QStringLiteral("需要更新")});
    QVERIFY(simulator.waitForStarted(ProcessBoundMs));
    QTRY_VERIFY_WITH_TIMEOUT(simulator.canReadLine(), ProcessBoundMs);
    const QString line = QString::fromUtf8(simulator.readLine()).trimmed();
    QCOMPARE(line, QStringLiteral("listening on http://127.0.0.1:%1").arg(port));
    const HttpGetResult update = HttpGetText(urlAt(port, TrackingProtocol::UpdateFilePath), bounded());
    QCOMPARE(update.text, QStringLiteral("需要更新"));

    // Windows has no signal a process can send another to end it gently.
    if (QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows) {
        simulator.kill();
        QVERIFY(simulator.waitForFinished(ProcessBoundMs));
        return;
    }
    simulator.terminate(); // SIGTERM
    QVERIFY(simulator.waitForFinished(ProcessBoundMs));
    QCOMPARE(simulator.exitStatus(), QProcess::NormalExit);
    QCOMPARE(simulator.exitCode(), 0);
}

void TestSimulator::theNextCopyThatSendsServes_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("the serving copy returns from main") << "return";
    QTest::newRow("the serving copy ends at once") << "_Exit";
    QTest::newRow("the serving copy is killed") << "killed";
}

// Two copies of a demonstration: this process is the second. It uses the first copy's server while
// that runs, and once it has ended, however it ended, its next request takes the port over, right
// after the connections the first served there (on Windows, the socket options decide whether a port
// whose last listener has just ended takes a new one at once).
void TestSimulator::theNextCopyThatSendsServes()
{
    QFETCH(QString, how);
    const quint16 port = freePort();
    QProcess first;
    first.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--serve"), QString::number(port), how});
    QTRY_VERIFY_WITH_TIMEOUT(first.canReadLine(), ProcessBoundMs);
    QCOMPARE(first.readLine().trimmed(), QByteArray("serving"));

    SimulatorThread second(port);
    setBeforeEachRequest([&second] { second.serve(); });
    const auto noHook = qScopeGuard([] { setBeforeEachRequest({}); });
    QVERIFY(!eventsAt(port).isEmpty());
    QVERIFY(!second.serving());

    if (how == QLatin1String("killed"))
        first.kill();
    else
        first.write("end\n");
    QVERIFY(first.waitForFinished(ProcessBoundMs));
    QVERIFY(!eventsAt(port).isEmpty());
    QVERIFY(second.serving());
}

int main(int argc, char *argv[])
{
    if (argc > 1 && std::strcmp(argv[1], "--serve") == 0)
        return serveAsACopy(argc, argv);
    QCoreApplication app(argc, argv);
    TestSimulator test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_simulator.moc"

// Rows of the whole program: a query from click to filled Result list against a local server (with
// the baseline a scripting user would reach for), the start-up against the floor any start-up has, and the CPU
// the shown window uses while idle. Each measurement runs in a process of its own.

#include "AppSetup.h"
#include "BenchTable.h"
#include "Module1.h"
#include "Platform.h"
#include "SimulatorThread.h"
#include "TestHttpServer.h"
#include "TrackingProtocol.h"
#include "form1.h"

#include <QApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

QByteArray trackingAnswer(int events)
{
    QByteArray body = R"({"message":"ok","nu":"123456789012","com":"zhongtong","status":"200","data":[)";
    for (int i = 0; i < events; ++i) {
        if (i)
            body += ',';
        body += R"({"time":"2015-06-01 08:12:30","context":"快件已从【上海转运中心】发出，准备发往【杭州转运中心】第)" +
                QByteArray::number(i) + R"(站"})";
    }
    return body + R"(],"state":"3"})";
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

quint16 freePort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress(TrackingProtocol::LoopbackAddress)) ? probe.serverPort() : 0;
}

// The demonstration's base URL, on another port: plain HTTP to this machine.
QString loopbackUrl(quint16 port)
{
    return QStringLiteral("http://%1:%2").arg(TrackingProtocol::LoopbackAddress).arg(port);
}

// Swallows the home page the start-up opens: a benchmark starts no browser.
class NoBrowser : public QObject
{
    Q_OBJECT
public:
    ~NoBrowser() override { QDesktopServices::unsetUrlHandler(QStringLiteral("http")); }
public slots:
    void open(const QUrl &) {}
};

// The window as main() makes it, against a local server answering the update check with 不用更新.
struct StartedProgram
{
    bool start()
    {
        if (!server.listen())
            return false;
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &browser, "open");
        server.setResponse(TrackingProtocol::UpdateFilePath,
                           TestHttpServer::text(TrackingProtocol::NoUpdateNeeded.toUtf8()));
        window = std::make_unique<form1>(
            Endpoints{server.baseUrl(), server.baseUrl(), server.baseUrl(), QStringLiteral("12345678")});
        if (!window->Form_Load())
            return false;
        window->show();
        return QTest::qWaitForWindowExposed(window.get());
    }

    TestHttpServer server;
    NoBrowser browser;
    std::unique_ptr<form1> window;
};

// The window as main() starts a demonstration, on a port of its own: the simulator served from the
// program's own thread, which the start-up's update check starts.
struct DemonstrationProgram
{
    explicit DemonstrationProgram(quint16 port) : port(port), simulator(port)
    {
        setBeforeEachRequest([this] { simulator.serve(); });
    }
    ~DemonstrationProgram() { setBeforeEachRequest({}); }

    bool start()
    {
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &browser, "open");
        const QString url = loopbackUrl(port);
        window = std::make_unique<form1>(Endpoints{url, url, url, QStringLiteral("12345678")});
        if (!window->Form_Load() || !simulator.serving())
            return false;
        window->show();
        return QTest::qWaitForWindowExposed(window.get());
    }

    quint16 port;
    SimulatorThread simulator;
    NoBrowser browser;
    std::unique_ptr<form1> window;
};

// Child: "pipeline EVENTS RUNS" prints the median seconds from click to filled list, and the longest
// time the event loop went without turning during a query.
int pipelineChild(int events, int runs)
{
    StartedProgram program;
    if (!program.start())
        return 1;
    TestHttpServer &server = program.server;
    form1 *window = program.window.get();
    server.setResponse(TestHttpServer::text(trackingAnswer(events), 200, "application/json;charset=utf-8"));
    window->findChild<QRadioButton *>(QStringLiteral("zhongtong"))->setChecked(true);
    window->findChild<QLineEdit *>(QStringLiteral("Text2"))->setText(QStringLiteral("123456789012"));
    auto *button = window->findChild<QPushButton *>(QStringLiteral("chaxun"));
    auto *results = window->findChild<QListWidget *>(QStringLiteral("List1"));

    // A timer that notes the longest gap between its ticks: how long the window stood still.
    QElapsedTimer sinceTick;
    qint64 longestGapNs = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestGapNs = std::max(longestGapNs, sinceTick.nsecsElapsed());
        sinceTick.restart();
    });

    QList<double> seconds;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        sinceTick.start();
        ticker.start();
        button->click(); // returns when the list is filled
        ticker.stop();
        longestGapNs = std::max(longestGapNs, sinceTick.nsecsElapsed());
        seconds << double(clock.nsecsElapsed()) / 1e9;
        if (results->count() != events)
            return 1;
        QCoreApplication::processEvents(); // let the list lay itself out, as the user would see it
    }
    std::printf("%.9f %.6f\n", median(seconds), double(longestGapNs) / 1e9);
    return 0;
}

// Child: "startup PORT": the program's start as main() runs a demonstration (its simulator served from
// its own thread on the free PORT), with the skin beside the executable as an installed program has
// it. Prints its peak memory.
int startupChild(QApplication &app, quint16 port)
{
    setUpApplication(app);
    DemonstrationProgram program(port);
    if (!program.start())
        return 1;
    std::printf("%lld\n", Platform::peakMemoryKiB());
    return 0;
}

// Child: "floor URL": what no start-up can do without: one loopback GET answered 不用更新, then a
// window with Chinese text in a list and a label, shown.
int floorChild(const QString &url)
{
    QNetworkAccessManager manager;
    std::unique_ptr<QNetworkReply> reply(manager.get(QNetworkRequest(QUrl(url + TrackingProtocol::UpdateFilePath))));
    QEventLoop done;
    QObject::connect(reply.get(), &QNetworkReply::finished, &done, &QEventLoop::quit);
    done.exec();
    if (QString::fromUtf8(reply->readAll()) != TrackingProtocol::NoUpdateNeeded)
        return 1;

    QWidget window;
    window.resize(1015, 590);
    QListWidget list(&window);
    list.setGeometry(336, 80, 673, 400);
    list.addItem(QStringLiteral("此处返回查询结果。"));
    QLabel label(QStringLiteral("请输入快递单号："), &window);
    label.move(336, 40);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    std::printf("%lld\n", Platform::peakMemoryKiB());
    return 0;
}

// Child: "idle SECONDS": CPU seconds the shown window of a demonstration, serving its simulator, used
// while nobody touched it.
int idleChild(int seconds)
{
    DemonstrationProgram program(freePort());
    if (!program.start())
        return 1;
    QCoreApplication::processEvents();
    const double before = Platform::processCpuSeconds();
    QEventLoop idle;
    QTimer::singleShot(seconds * 1000, &idle, &QEventLoop::quit);
    idle.exec();
    std::printf("%.6f\n", Platform::processCpuSeconds() - before);
    return 0;
}

int appChild(const QStringList &arguments)
{
    QApplication *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    if (!app) {
        std::fprintf(stderr, "the app rows need a QApplication\n");
        return 2;
    }
    const QString what = arguments.value(0);
    if (what == QLatin1String("pipeline"))
        return pipelineChild(arguments.value(1).toInt(), arguments.value(2).toInt());
    if (what == QLatin1String("startup"))
        return startupChild(*app, quint16(arguments.value(1).toUInt()));
    if (what == QLatin1String("floor"))
        return floorChild(arguments.value(1));
    if (what == QLatin1String("idle"))
        return idleChild(arguments.value(1).toInt());
    return 2;
}

// Seconds for `curl -s URL | grep -oP ...` to print the events of an answer of `events` events.
double scriptedBaseline(int events, int runs)
{
    TestHttpServer server;
    if (!server.listen())
        return 0;
    server.setResponse(TestHttpServer::text(trackingAnswer(events), 200, "application/json;charset=utf-8"));
    const QString command = QStringLiteral("curl -s '%1' | grep -oP '\"time\":\"\\K.+?(?=\"})' | wc -l")
                                .arg(server.url(QStringLiteral("/?com=zhongtong&nu=123456789012")));
    QList<double> seconds;
    for (int run = 0; run < runs; ++run) {
        QProcess shell;
        QEventLoop done;
        QObject::connect(&shell, &QProcess::finished, &done, &QEventLoop::quit);
        QElapsedTimer clock;
        clock.start();
        shell.start(QStringLiteral("bash"), {QStringLiteral("-c"), command});
        done.exec(); // the server answers from this loop
        seconds << double(clock.nsecsElapsed()) / 1e9;
        if (shell.readAllStandardOutput().trimmed().toInt() != events)
            return 0;
    }
    return median(seconds);
}

// Wall seconds of a child process, with what it printed.
QPair<double, QString> timedChild(const QStringList &arguments)
{
    QElapsedTimer clock;
    clock.start();
    const QString out = runBenchChild("app", arguments, {});
    return {double(clock.nsecsElapsed()) / 1e9, out.trimmed()};
}

// The developers' simulator in a process of its own, for the floor, which carries no server: on a
// port of its own, so that a running copy's server is never the one timed.
class Simulator
{
public:
    Simulator()
    {
        const quint16 port = freePort();
        m_process.start(QStringLiteral(QUORVEL_SIMULATOR_EXECUTABLE),
                        {QStringLiteral("--port"), QString::number(port)});
        // It says where it listens once it does.
        if (port != 0 && m_process.waitForReadyRead(10 * 1000))
            m_url = loopbackUrl(port);
    }
    ~Simulator()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    QString url() const { return m_url; }

private:
    QProcess m_process;
    QString m_url;
};

void startupRows(BenchTable &table)
{
    Simulator simulator;
    if (simulator.url().isEmpty()) {
        std::fprintf(stderr, "the simulator did not start\n");
        return;
    }
    if (!QFile::exists(QCoreApplication::applicationDirPath() + QStringLiteral("/skinh.she")))
        std::fprintf(stderr, "warning: no skinh.she beside the benchmark: the start-up runs without its skin\n");
    QList<double> program, floor;
    QList<qint64> programMemory, floorMemory;
    for (int run = 0; run < 15; ++run) {
        const auto [programSeconds, programOut] = timedChild({QStringLiteral("startup"), QString::number(freePort())});
        const auto [floorSeconds, floorOut] = timedChild({QStringLiteral("floor"), simulator.url()});
        if (programOut.isEmpty() || floorOut.isEmpty()) {
            std::fprintf(stderr, "a start-up child failed\n");
            return;
        }
        program << programSeconds;
        floor << floorSeconds;
        programMemory << programOut.toLongLong();
        floorMemory << floorOut.toLongLong();
    }
    const double programMedian = median(program), floorMedian = median(floor);
    const auto medianKiB = [](const QList<qint64> &values) {
        QList<double> asDouble(values.cbegin(), values.cend());
        return qint64(median(asDouble));
    };
    const qint64 programKiB = medianKiB(programMemory), floorKiB = medianKiB(floorMemory);
    table.add({QStringLiteral("app"), QStringLiteral("start-up to window shown, skin applied, served itself"),
               QStringLiteral("update check"), programMedian, -1,
               QStringLiteral("peak %1 KiB; / floor: time %2, memory %3")
                   .arg(programKiB)
                   .arg(programMedian / floorMedian, 0, 'f', 2)
                   .arg(double(programKiB) / double(floorKiB), 0, 'f', 2)});
    table.add({QStringLiteral("app"), QStringLiteral("floor: one GET, list and label shown (baseline)"),
               QStringLiteral("update check"), floorMedian, -1, QStringLiteral("peak %1 KiB").arg(floorKiB)});
}

void appRows(BenchTable &table)
{
    for (const auto &[events, runs] : QList<QPair<int, int>>{{30, 40}, {1000, 20}, {100000, 3}}) {
        const QStringList out =
            runBenchChild("app", {QStringLiteral("pipeline"), QString::number(events), QString::number(runs)}, {})
                .split(QLatin1Char(' '));
        const double seconds = out.value(0).toDouble();
        const double stall = out.value(1).toDouble();
        const double baseline = scriptedBaseline(events, events >= 100000 ? 3 : 10);
        const QString input = QStringLiteral("%1 events").arg(events);
        table.add({QStringLiteral("app"), QStringLiteral("query: click to List1 filled"), input, seconds, -1,
                   QStringLiteral("longest stall %1 ms").arg(stall * 1e3, 0, 'f', 1)});
        table.add({QStringLiteral("app"), QStringLiteral("curl -s | grep -oP (baseline)"), input, baseline, -1,
                   baseline > 0 ? QStringLiteral("query / baseline = %1").arg(seconds / baseline, 0, 'f', 2)
                                : QStringLiteral("curl or grep missing")});
    }

    startupRows(table);

    const QString idle = runBenchChild("app", {QStringLiteral("idle"), QStringLiteral("10")}, {}).trimmed();
    table.add({QStringLiteral("app"), QStringLiteral("CPU while idle, window shown"), QStringLiteral("10 s"),
               idle.toDouble(), -1, QStringLiteral("CPU time used in 10 s of idle")});
}

} // namespace

QUORVEL_BENCH_GROUP(app, appRows, appChild);
// The start-up rows alone, for working on the start-up (they are part of "app" too).
QUORVEL_BENCH_GROUP(startup, startupRows);

#include "app_benchmarks.moc"

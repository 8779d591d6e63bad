// The window under a bad network and a busy user: every transport fault for the query, the
// re-query and the start-up, and every command a user can give while a query waits.

#include "GuiTestSupport.h"
#include "ResultList.h"
#include "form1.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QTest>
#include <memory>

namespace {
enum class Caller
{
    Query,
    Requery,
    Startup
};
enum class Fault
{
    Refused,
    CloseWithoutAnswer,
    ResetMidBody,
    CompressedCutOff,
    Stall,
    NotFoundPage,
    ServerErrorPage,
    TooLarge,
    RedirectLoop,
    RandomBytes,
    NulBytes,
    BadGbk,
    BadUtf8,
    HugeAnswer,
};

constexpr int HugeEvents = 100000;
const QString KeptLine = QStringLiteral("时间: 10:00:00 公司:中通 单号:KEPT");

QByteArray hugeAnswer()
{
    QByteArray body = R"({"message":"ok","data":[)";
    body.reserve(HugeEvents * 64);
    for (int i = 0; i < HugeEvents; ++i) {
        if (i)
            body += ',';
        body += R"({"time":"2015-06-01 08:12:30","context":"第)" + QByteArray::number(i) + R"(站"})";
    }
    return body + "]}";
}

// What the fault does to the request: true when no answer reaches the caller.
bool isTransportFailure(Fault fault)
{
    switch (fault) {
    case Fault::Refused:
    case Fault::CloseWithoutAnswer:
    case Fault::ResetMidBody:
    case Fault::CompressedCutOff:
    case Fault::Stall:
    case Fault::TooLarge:
    case Fault::RedirectLoop:
        return true;
    default:
        return false;
    }
}

TestHttpServer::Response responseFor(Fault fault)
{
    using Behaviour = TestHttpServer::Behaviour;
    TestHttpServer::Response response = TestHttpServer::text(R"({"time":"2015-06-01 08:12:30","context":"x"})");
    switch (fault) {
    case Fault::CloseWithoutAnswer:
        response.behaviour = Behaviour::CloseWithoutAnswer;
        break;
    case Fault::ResetMidBody:
        response.body = QByteArray(64 * 1024, 'a');
        response.behaviour = Behaviour::ResetMidBody;
        break;
    case Fault::CompressedCutOff: {
        QByteArray events;
        for (int i = 0; i < 200; ++i)
            events += R"({"time":"2015-06-01 08:12:30","context":"第)" + QByteArray::number(i) + R"(站"},)";
        response = TestHttpServer::compressed(events, "gzip");
        response.behaviour = Behaviour::CloseMidBody;
        break;
    }
    case Fault::Stall:
        response.behaviour = Behaviour::StallMidBody;
        break;
    case Fault::NotFoundPage:
        response = TestHttpServer::text("<html><body><h1>404 Not Found</h1></body></html>", 404, "text/html");
        break;
    case Fault::ServerErrorPage:
        response = TestHttpServer::text("<html><body><h1>500 单号 error</h1></body></html>", 500, "text/html");
        break;
    case Fault::TooLarge:
        response.body = QByteArray(300 * 1024, ' ');
        break;
    case Fault::RedirectLoop:
        response = TestHttpServer::text("", 302);
        response.extraHeaders = {{"Location", "/loop"}};
        break;
    case Fault::RandomBytes: {
        QByteArray noise(4096, Qt::Uninitialized);
        QRandomGenerator generator(42);
        for (char &byte : noise)
            byte = char(generator.bounded(256));
        response.body = noise;
        break;
    }
    case Fault::NulBytes:
        response.body = QByteArray("{\"time\":\"2015\0\0\",\"context\":\"\0\"}", 31);
        break;
    case Fault::BadGbk:
        response.body = "{\"time\":\"2015-06-01\",\"context\":\"\xd2\xd1\xff\xfe\x81\"}";
        break;
    case Fault::BadUtf8:
        response.body = "{\"time\":\"2015-06-01\",\"context\":\"\xe5\xb7\xb2\xe7\xad\xbe\xe6\"}";
        break;
    case Fault::HugeAnswer:
        response.body = hugeAnswer();
        break;
    case Fault::Refused:
        break;
    }
    return response;
}
} // namespace

Q_DECLARE_METATYPE(Caller)
Q_DECLARE_METATYPE(Fault)

class TestRobustness : public QObject
{
    Q_OBJECT

private slots:
    void faults_data();
    void faults();
    void duringAWait_data();
    void duringAWait();
    void ownLimitsAreTheDocumentedOnes();

private:
    static void select(form1 *window, const char *courier) { control<QRadioButton>(window, courier)->setChecked(true); }
    static void click(form1 *window, const char *button)
    {
        QTest::mouseClick(control<QPushButton>(window, button), Qt::LeftButton);
    }
};

void TestRobustness::faults_data()
{
    QTest::addColumn<Caller>("caller");
    QTest::addColumn<Fault>("fault");

    const QList<QPair<const char *, Fault>> faults = {
        {"refused", Fault::Refused},
        {"closed without answer", Fault::CloseWithoutAnswer},
        {"reset mid-body", Fault::ResetMidBody},
        {"gzip body closed half-way", Fault::CompressedCutOff},
        {"stall past the limit", Fault::Stall},
        {"404 page", Fault::NotFoundPage},
        {"500 page", Fault::ServerErrorPage},
        {"over the size limit", Fault::TooLarge},
        {"redirect loop", Fault::RedirectLoop},
        {"random bytes", Fault::RandomBytes},
        {"NUL bytes", Fault::NulBytes},
        {"GBK with bad sequences", Fault::BadGbk},
        {"UTF-8 cut short", Fault::BadUtf8},
        {"100000 events", Fault::HugeAnswer},
    };
    const QList<QPair<const char *, Caller>> callers = {
        {"query", Caller::Query}, {"re-query", Caller::Requery}, {"start-up", Caller::Startup}};
    for (const auto &[callerName, caller] : callers) {
        for (const auto &[faultName, fault] : faults)
            QTest::addRow("%s: %s", callerName, faultName) << caller << fault;
    }
}

void TestRobustness::faults()
{
    QFETCH(Caller, caller);
    QFETCH(Fault, fault);

    auto server = std::make_unique<TestHttpServer>();
    QVERIFY(server->listen());
    const Endpoints endpoints = endpointsFor(*server);
    server->setResponse(responseFor(fault));
    if (fault == Fault::Refused)
        server.reset();
    MessageBoxRecorder messages;
    EndRecorder end;
    OpenedUrls opened;
    form1 window(endpoints);
    window.setHttpOptions({500, fault == Fault::HugeAnswer ? 16 * 1024 * 1024 : 256 * 1024});
    auto *history = control<QListWidget>(&window, "List2");
    auto *results = control<QListWidget>(&window, "List1");

    if (caller == Caller::Startup) {
        QVERIFY(!window.Form_Load()); // only 不用更新 lets the program run
        QCOMPARE(end.count, 1);
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown.at(0).title, QStringLiteral("服务器繁忙"));
        return;
    }

    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    history->addItem(KeptLine);
    select(&window, "zhongtong");
    control<QLineEdit>(&window, "Text2")->setText(QStringLiteral("FAULT"));
    if (caller == Caller::Query) {
        click(&window, "chaxun");
    } else {
        history->setCurrentRow(0);
        window.mnuedit1_Click();
    }

    const int logged = caller == Caller::Query && !isTransportFailure(fault) ? 1 : 0;
    QCOMPARE(history->count(), 1 + logged);
    QCOMPARE(history->item(0)->text(), KeptLine);
    if (isTransportFailure(fault)) {
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown.at(0).title, QStringLiteral("系统提示"));
        QVERIFY(!messages.shown.at(0).text.isEmpty());
        QCOMPARE(results->count(), 0);
    } else {
        QVERIFY(messages.shown.isEmpty());
        if (fault == Fault::HugeAnswer) {
            QCOMPARE(results->count(), HugeEvents);
            QCOMPARE(results->item(HugeEvents - 1)->text(), QStringLiteral("2015-06-01 08:12:30   第99999站"));
        }
    }
    QCOMPARE(end.count, 0);

    // The window still answers: a clear works as ever.
    click(&window, "Command2");
    QCOMPARE(results->count(), 1);
    QCOMPARE(results->item(0)->text(), PlaceholderLine);
}

void TestRobustness::duringAWait_data()
{
    QTest::addColumn<QString>("action");

    QTest::newRow("query again") << "query";
    QTest::newRow("re-query") << "requery";
    QTest::newRow("delete the line being re-queried") << "delete";
    QTest::newRow("clear") << "clear";
    QTest::newRow("copy") << "copy";
    QTest::newRow("minimise") << "minimise";
    QTest::newRow("close, Cancel") << "close-cancel";
    QTest::newRow("close, OK") << "close-ok";
}

void TestRobustness::duringAWait()
{
    QFETCH(QString, action);

    TestHttpServer server;
    QVERIFY(server.listen());
    server.setResponder([](const TestHttpServer::Request &request) {
        const bool slow = request.query.contains("SLOW");
        TestHttpServer::Response response =
            TestHttpServer::text(slow ? R"({"time":"2015-01-01 00:00:00","context":"slow one"})"
                                      : R"({"time":"2015-02-02 00:00:00","context":"quick one"})");
        response.held = slow;
        return response;
    });
    MessageBoxRecorder messages(action == QLatin1String("close-ok") ? MsgBox::Ok : MsgBox::Cancel);
    EndRecorder end;
    form1 window(endpointsFor(server));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *history = control<QListWidget>(&window, "List2");
    auto *results = control<QListWidget>(&window, "List1");
    history->addItem(QStringLiteral("时间: 10:00:00 公司:圆通 单号:QUICK"));
    history->setCurrentRow(0);
    // The slow re-query: its own history entry, re-queried while a slow query is on its way.
    const bool slowRequery = action == QLatin1String("delete");
    if (slowRequery)
        history->item(0)->setText(QStringLiteral("时间: 10:00:00 公司:圆通 单号:SLOW"));

    server.whileHeld([&] {
        if (action == QLatin1String("query")) {
            select(&window, "yuantong");
            control<QLineEdit>(&window, "Text2")->setText(QStringLiteral("QUICK"));
            click(&window, "chaxun");
        } else if (action == QLatin1String("requery")) {
            window.mnuedit1_Click();
        } else if (action == QLatin1String("delete")) {
            window.mnuedit2_Click();
        } else if (action == QLatin1String("clear")) {
            click(&window, "Command2");
        } else if (action == QLatin1String("copy")) {
            click(&window, "Command1");
        } else if (action == QLatin1String("minimise")) {
            click(&window, "Command4");
        } else {
            window.close();
        }
    });

    if (slowRequery) {
        window.mnuedit1_Click();
    } else {
        select(&window, "zhongtong");
        control<QLineEdit>(&window, "Text2")->setText(QStringLiteral("SLOW"));
        click(&window, "chaxun");
    }

    const QStringList listed = linesOf(results);
    const QStringList slowLines{QStringLiteral("2015-01-01 00:00:00   slow one")};
    const QStringList quickLines{QStringLiteral("2015-02-02 00:00:00   quick one")};

    if (action == QLatin1String("query") || action == QLatin1String("requery"))
        QCOMPARE(listed, quickLines); // the newer query's lines stand alone
    else if (action == QLatin1String("clear"))
        QCOMPARE(listed, QStringList{PlaceholderLine});
    else
        QCOMPARE(listed, slowLines);

    if (action == QLatin1String("copy"))
        QCOMPARE(QGuiApplication::clipboard()->text(), QString()); // the list was empty during the wait
    if (action == QLatin1String("delete"))
        QCOMPARE(history->count(), 0);
    if (action.startsWith(QLatin1String("close"))) {
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown.at(0).title, QStringLiteral("退出确认"));
        QCOMPARE(end.count, action == QLatin1String("close-ok") ? 1 : 0);
    }
    if (action == QLatin1String("close-cancel"))
        QVERIFY(window.isVisible());
}

// The limits every other row here sets for itself, as the window has them of its own: the README
// promises a stall limit of 30 s and a size limit of 16 MiB.
void TestRobustness::ownLimitsAreTheDocumentedOnes()
{
    const form1 window; // as main() makes it
    QCOMPARE(window.httpOptions().transferTimeoutMs, 30 * 1000);
    QCOMPARE(window.httpOptions().maxBodyBytes, 16 * 1024 * 1024);
}

QTEST_MAIN(TestRobustness)
#include "tst_robustness.moc"

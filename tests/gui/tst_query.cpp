// The tracking query and the copy and clear commands, driven through the real window against a
// local HTTP server.

#include "GuiTestSupport.h"
#include "ResultList.h"
#include "TrackingProtocol.h"
#include "TrackingQuery.h"
#include "form1.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QUrl>
#include <QUrlQuery>
#include <memory>

namespace {
QByteArray eventsAnswer(const QList<QPair<QString, QString>> &events)
{
    QByteArray data;
    for (const auto &[time, context] : events) {
        if (!data.isEmpty())
            data += ',';
        data += QStringLiteral(R"({"time":"%1","context":"%2"})").arg(time, context).toUtf8();
    }
    return R"({"message":"ok","status":"200","data":[)" + data + "]}";
}

// An answer of one event that the server holds until the test lets it go.
TestHttpServer::Response heldEvent(const QString &context)
{
    return TestHttpServer::held(TestHttpServer::text(eventsAnswer({{"2015-06-01 08:00:00", context}})));
}

// The request as the tracking service reads it.
TrackingProtocol::TrackingRequest sent(const TestHttpServer::Request &request)
{
    return TrackingProtocol::readTrackingRequest(request.path, request.query)
        .value_or(TrackingProtocol::TrackingRequest{});
}

QString sentNumber(const TestHttpServer::Request &request)
{
    return sent(request).number;
}
} // namespace

class TestQuery : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void queryListsEventsAndLogsIt();
    void emptyNumberAsksForOne_data();
    void emptyNumberAsksForOne();
    void blanksAreANumber();
    void noCourierDoesNothing();
    void historyNamesTheCourier_data();
    void historyNamesTheCourier();
    void answerToResultLines_data();
    void answerToResultLines();
    void numberReachesTheServiceAsTyped_data();
    void numberReachesTheServiceAsTyped();
    void historyLogsTheNumberThatWasSent();
    void overtakenQueryAddsNoResultLines_data();
    void overtakenQueryAddsNoResultLines();
    void pressThatSendsNothingLeavesTheWaitAlone_data();
    void pressThatSendsNothingLeavesTheWaitAlone();
    void clearDuringAWaitKeepsThePlaceholderAlone();
    void windowDeletedDuringAWait();
    void transportFailureIsReported_data();
    void transportFailureIsReported();
    void copyCommands_data();
    void copyCommands();
    void clearResetsNumberAndResults();

private:
    void query(const QString &courier, const QString &number);
    QListWidget *results() const { return control<QListWidget>(m_on.window.get(), "List1"); }
    QListWidget *history() const { return control<QListWidget>(m_on.window.get(), "List2"); }
    QLineEdit *numberBox() const { return control<QLineEdit>(m_on.window.get(), "Text2"); }
    void click(const char *button)
    {
        QTest::mouseClick(control<QPushButton>(m_on.window.get(), button), Qt::LeftButton);
    }

    WindowOnTestServer m_on;
};

void TestQuery::init()
{
    QVERIFY(m_on.start());
}

void TestQuery::cleanup()
{
    m_on.stop();
}

void TestQuery::query(const QString &courier, const QString &number)
{
    m_on.query(courier, number);
}

void TestQuery::queryListsEventsAndLogsIt()
{
    m_on.server->setResponse(TestHttpServer::text(
        eventsAnswer({{"2015-06-02 09:00:00", "已签收"}, {"2015-06-01 08:12:30", "【杭州】已收件"}}), 200,
        "application/json;charset=utf-8"));

    query("zhongtong", "123456789012");
    const QTime after = QTime::currentTime();

    QCOMPARE(m_on.server->requestCount(), 1);
    const TrackingProtocol::TrackingRequest request = sent(m_on.server->lastRequest());
    QCOMPARE(request.courierCode, QStringLiteral("zhongtong"));
    QCOMPARE(request.number, QStringLiteral("123456789012"));
    QCOMPARE(request.key, TrackingProtocol::AccessKey);
    QCOMPARE(linesOf(results()), QStringList({"2015-06-02 09:00:00   已签收", "2015-06-01 08:12:30   【杭州】已收件"}));
    QCOMPARE(history()->count(), 1);
    const QRegularExpression format(QStringLiteral("^时间: (\\d\\d:\\d\\d:\\d\\d) 公司:中通 单号:123456789012$"));
    const auto match = format.match(history()->item(0)->text());
    QVERIFY2(match.hasMatch(), qPrintable(history()->item(0)->text()));
    const QTime logged = QTime::fromString(match.captured(1), QStringLiteral("HH:mm:ss"));
    QVERIFY(logged.isValid());
    QVERIFY((logged.secsTo(after) + 86400) % 86400 <= 2); // the clock was read when the answer came
    QVERIFY(m_on.messages->shown.isEmpty());
}

void TestQuery::emptyNumberAsksForOne_data()
{
    // The number is checked before the courier is looked up, by the query and the re-query alike.
    QTest::addColumn<bool>("requery");
    QTest::addColumn<QString>("courier");
    for (const bool requery : {false, true}) {
        for (const char *courier : {"zhongtong", ""})
            QTest::addRow("%s, %s", requery ? "re-query" : "query", *courier ? courier : "no courier")
                << requery << QString::fromLatin1(courier);
    }
}

void TestQuery::emptyNumberAsksForOne()
{
    QFETCH(bool, requery);
    QFETCH(QString, courier);
    results()->addItem(PlaceholderLine);
    if (requery) {
        // An entry of a courier the table does not know leaves the selection as it is: none.
        history()->addItem(courier.isEmpty() ? QStringLiteral("时间: 10:00:00 公司:无此公司 单号:")
                                             : QStringLiteral("时间: 10:00:00 公司:中通 单号:"));
        history()->setCurrentRow(0);
        m_on.window->mnuedit1_Click();
    } else {
        query(courier, "");
    }

    QCOMPARE(m_on.messages->shown.size(), 1);
    QCOMPARE(m_on.messages->shown.at(0).text, QStringLiteral("请输入快递单号"));
    QCOMPARE(m_on.messages->shown.at(0).title, QStringLiteral("系统提示"));
    QCOMPARE(m_on.messages->shown.at(0).buttons, MsgBox::Buttons::Ok);
    QCOMPARE(m_on.server->requestCount(), 0);
    QCOMPARE(results()->count(), 0);
    QCOMPARE(history()->count(), requery ? 1 : 0);
}

void TestQuery::blanksAreANumber()
{
    query("shentong", "   ");

    QCOMPARE(m_on.server->requestCount(), 1);
    QCOMPARE(sentNumber(m_on.server->lastRequest()), QStringLiteral("   "));
    QCOMPARE(history()->count(), 1);
    QVERIFY(history()->item(0)->text().endsWith(QStringLiteral(" 公司:申通 单号:   ")));
}

void TestQuery::noCourierDoesNothing()
{
    results()->addItem(PlaceholderLine);
    query(QString(), "123");

    QCOMPARE(m_on.server->requestCount(), 0);
    QVERIFY(m_on.messages->shown.isEmpty());
    QCOMPARE(results()->count(), 0);
    QCOMPARE(history()->count(), 0);
}

void TestQuery::historyNamesTheCourier_data()
{
    QTest::addColumn<QString>("courier");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");

    QTest::newRow("新邦物流") << "xinbang"
                              << "xinbang"
                              << "兴邦";
    QTest::newRow("EMS") << "ems"
                         << "ems"
                         << "ems";
    QTest::newRow("E邮宝") << "eyoubao"
                           << "eyoubao"
                           << "e邮宝";
    QTest::newRow("邮政小包") << "xiaobao"
                              << "pingyou"
                              << "邮政小包";
    QTest::newRow("速尔") << "sure"
                          << "suer"
                          << "速尔";
}

void TestQuery::historyNamesTheCourier()
{
    QFETCH(QString, courier);
    QFETCH(QString, code);
    QFETCH(QString, name);

    query(courier, "A1");
    QCOMPARE(sent(m_on.server->lastRequest()).courierCode, code);
    QCOMPARE(history()->count(), 1);
    QVERIFY(history()->item(0)->text().endsWith(QStringLiteral(" 公司:") + name + QStringLiteral(" 单号:A1")));
}

void TestQuery::answerToResultLines_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("expected");

    QList<QPair<QString, QString>> five;
    QStringList fiveLines;
    for (int day = 5; day >= 1; --day) {
        five.append({QStringLiteral("2015-06-0%1 10:00:00").arg(day), QStringLiteral("第%1条").arg(day)});
        fiveLines << five.last().first + QStringLiteral("   ") + five.last().second;
    }
    QTest::newRow("five events in order") << 200 << eventsAnswer(five) << fiveLines;
    QTest::newRow("time but no event object")
        << 200 << QByteArray(R"({"message":"单号有误","time":"","x":1})") << QStringList{};
    QTest::newRow("two message lines") << 200
                                       << QByteArray(
                                              R"({"message":"单号不存在","status":"201","errmessage":"请核对单号"})")
                                       << QStringList{"单号不存在", "请核对单号"};
    QTest::newRow("empty answer") << 200 << QByteArray() << QStringList{};
    QTest::newRow("404 page") << 404 << QByteArray("<html><body><h1>404 Not Found</h1></body></html>") << QStringList{};
    QTest::newRow("500 page") << 500 << QByteArray("<html><body>Internal Server Error</body></html>") << QStringList{};
    QTest::newRow("400 with a message") << 400 << QByteArray(R"({"message":"单号不存在"})")
                                        << QStringList{"单号不存在"};
    QTest::newRow("418 with an event") << 418 << eventsAnswer({{"2015-06-01 08:00:00", "茶壶"}})
                                       << QStringList{"2015-06-01 08:00:00   茶壶"};
    QTest::newRow("407 with a message") << 407 << QByteArray(R"({"message":"单号需要验证"})")
                                        << QStringList{"单号需要验证"};
    QTest::newRow("GBK answer") << 200 << QByteArray("{\"message\":\"\xb5\xa5\xba\xc5\xb2\xbb\xb4\xe6\xd4\xda\"}")
                                << QStringList{"单号不存在"};
}

void TestQuery::answerToResultLines()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QStringList, expected);

    m_on.server->setResponse(TestHttpServer::text(body, status, "text/html"));
    query("yunda", "1000");

    QCOMPARE(linesOf(results()), expected);
    QCOMPARE(history()->count(), 1); // every answer that arrived is logged
    QVERIFY(m_on.messages->shown.isEmpty());
}

void TestQuery::numberReachesTheServiceAsTyped_data()
{
    QTest::addColumn<QString>("number");

    QTest::newRow("holds gongsi") << "12gongsi34";
    QTest::newRow("holds danhao") << "danhao";
    QTest::newRow("ampersand and another key") << "1&com=ems&id=0";
    QTest::newRow("hash") << "12#34";
    QTest::newRow("percent") << "50%off%2";
    QTest::newRow("blanks inside") << "12 34";
    QTest::newRow("Chinese") << "单号一";
}

void TestQuery::numberReachesTheServiceAsTyped()
{
    QFETCH(QString, number);

    query("tiantian", number);

    QCOMPARE(m_on.server->requestCount(), 1);
    const TrackingProtocol::TrackingRequest request = sent(m_on.server->lastRequest());
    QCOMPARE(request.courierCode, QStringLiteral("tiantian"));
    QCOMPARE(request.number, number);
    QCOMPARE(request.key, TrackingProtocol::AccessKey);
    QVERIFY(history()->item(0)->text().endsWith(QStringLiteral(" 单号:") + number));
}

void TestQuery::historyLogsTheNumberThatWasSent()
{
    m_on.server->setResponse(heldEvent(QStringLiteral("x")));
    m_on.server->whileHeld([this] { numberBox()->setText(QStringLiteral("EDITED")); });

    query("shunfeng", "SF100");

    QCOMPARE(sentNumber(m_on.server->lastRequest()), QStringLiteral("SF100"));
    QVERIFY(history()->item(0)->text().endsWith(QStringLiteral(" 单号:SF100")));
    QCOMPARE(numberBox()->text(), QStringLiteral("EDITED"));
}

void TestQuery::overtakenQueryAddsNoResultLines_data()
{
    QTest::addColumn<bool>("firstFails");

    QTest::newRow("first one answers") << false;
    QTest::newRow("first one fails, silently") << true;
}

void TestQuery::overtakenQueryAddsNoResultLines()
{
    QFETCH(bool, firstFails);
    m_on.server->setResponder([firstFails](const TestHttpServer::Request &request) {
        const bool first = sent(request).number == QLatin1String("FIRST");
        TestHttpServer::Response response = TestHttpServer::text(eventsAnswer(
            {{first ? "2015-01-01 00:00:01" : "2015-02-02 00:00:02", first ? "first parcel" : "second parcel"}}));
        response.held = first;
        if (first && firstFails)
            response.behaviour = TestHttpServer::Behaviour::CloseMidBody;
        return response;
    });
    // The second query starts, runs and finishes inside the first one's wait.
    m_on.server->whileHeld([this] { query("yuantong", "SECOND"); });

    query("zhongtong", "FIRST");

    QCOMPARE(m_on.server->requestCount(), 2);
    QCOMPARE(linesOf(results()), QStringList{"2015-02-02 00:00:02   second parcel"});
    QCOMPARE(history()->count(), firstFails ? 1 : 2);
    QVERIFY(history()->item(0)->text().endsWith(QStringLiteral("公司:圆通 单号:SECOND")));
    if (!firstFails)
        QVERIFY(history()->item(1)->text().endsWith(QStringLiteral("公司:中通 单号:FIRST")));
    QVERIFY(m_on.messages->shown.isEmpty()); // the user has moved on to the newer query
}

void TestQuery::pressThatSendsNothingLeavesTheWaitAlone_data()
{
    QTest::addColumn<QString>("press");
    QTest::addColumn<QString>("message");

    QTest::newRow("开始查询 with an empty number") << "query" << QStringLiteral("请输入快递单号");
    QTest::newRow("重新查询 of an entry without a number") << "requery" << QStringLiteral("请输入快递单号");
    QTest::newRow("重新查询 without a selected line") << "unselected" << QStringLiteral("请选择一条记录来操作！");
}

void TestQuery::pressThatSendsNothingLeavesTheWaitAlone()
{
    QFETCH(QString, press);
    QFETCH(QString, message);
    m_on.server->setResponse(heldEvent(QStringLiteral("slow one")));
    history()->addItem(QStringLiteral("时间: 10:00:00 公司:中通 单号:"));
    m_on.server->whileHeld([this, press] {
        if (press == QLatin1String("query")) {
            numberBox()->clear();
            click("chaxun");
        } else {
            history()->setCurrentRow(press == QLatin1String("requery") ? 0 : -1);
            m_on.window->mnuedit1_Click();
        }
    });

    query("zhongtong", "SLOW1");

    QCOMPARE(m_on.server->requestCount(), 1);
    QCOMPARE(m_on.messages->shown.size(), 1);
    QCOMPARE(m_on.messages->shown.at(0).text, message);
    QCOMPARE(linesOf(results()), QStringList{"2015-06-01 08:00:00   slow one"});
    QCOMPARE(history()->count(), 2);
    QVERIFY(history()->item(1)->text().endsWith(QStringLiteral(" 单号:SLOW1")));
}

void TestQuery::clearDuringAWaitKeepsThePlaceholderAlone()
{
    m_on.server->setResponse(heldEvent(QStringLiteral("late")));
    m_on.server->whileHeld([this] { click("Command2"); });

    query("debang", "DB1");

    QCOMPARE(linesOf(results()), QStringList{PlaceholderLine});
    QCOMPARE(history()->count(), 1);
}

// The request must not read what the window owned once it has gone (seen by the sanitizers).
void TestQuery::windowDeletedDuringAWait()
{
    m_on.server->setResponse(heldEvent(QStringLiteral("orphan")));
    control<QRadioButton>(m_on.window.get(), "zhongtong")->setChecked(true);
    numberBox()->setText(QStringLiteral("GONE"));
    m_on.server->whileHeld([this] { m_on.window.reset(); });

    form1 *const window = m_on.window.get();
    window->chaxun_Click();

    QVERIFY(!m_on.window);
    QCOMPARE(m_on.server->requestCount(), 1);
}

void TestQuery::transportFailureIsReported_data()
{
    QTest::addColumn<int>("failure"); // 0 refused, 1 stall, 2 close without answer

    QTest::newRow("connection refused") << 0;
    QTest::newRow("stalled past the time limit") << 1;
    QTest::newRow("closed without an answer") << 2;
}

void TestQuery::transportFailureIsReported()
{
    QFETCH(int, failure);

    if (failure == 0) {
        auto closed = std::make_unique<TestHttpServer>();
        QVERIFY(closed->listen());
        const Endpoints unreachable = endpointsFor(*closed);
        closed.reset();
        m_on.window = std::make_unique<form1>(unreachable);
        m_on.window->show();
    } else {
        TestHttpServer::Response bad = TestHttpServer::text("{\"time\":\"2015\",\"context\":\"half\"}");
        bad.behaviour =
            failure == 1 ? TestHttpServer::Behaviour::StallMidBody : TestHttpServer::Behaviour::CloseWithoutAnswer;
        m_on.server->setResponse(bad);
    }
    m_on.window->setHttpOptions({300, 1024 * 1024});
    history()->addItem(QStringLiteral("时间: 10:00:00 公司:中通 单号:OLD"));

    QElapsedTimer clock;
    clock.start();
    query("zhongtong", "123");
    QVERIFY2(clock.elapsed() < 10000, "the query must not hang");

    QCOMPARE(m_on.messages->shown.size(), 1);
    QCOMPARE(m_on.messages->shown.at(0).title, QStringLiteral("系统提示"));
    QVERIFY(!m_on.messages->shown.at(0).text.isEmpty());
    QCOMPARE(results()->count(), 0);
    QCOMPARE(linesOf(history()), QStringList{QStringLiteral("时间: 10:00:00 公司:中通 单号:OLD")});
}

void TestQuery::copyCommands_data()
{
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QString>("copyAll");
    QTest::addColumn<QString>("copyFirstAndLast");
    QTest::addColumn<QString>("copyLast");

    QTest::newRow("three events") << QStringList{"t3   签收", "t2   在途", "t1   收件"}
                                  << QStringLiteral("t3   签收\r\nt2   在途\r\nt1   收件\r\n")
                                  << QStringLiteral("快递收件记录：t3   签收\r\r快递最新记录：t1   收件")
                                  << QStringLiteral("快递最新记录：t1   收件");
    QTest::newRow("one line") << QStringList{"only"} << QStringLiteral("only\r\n")
                              << QStringLiteral("快递收件记录：only\r\r快递最新记录：only")
                              << QStringLiteral("快递最新记录：only");
    QTest::newRow("placeholder") << QStringList{PlaceholderLine} << PlaceholderLine + QStringLiteral("\r\n")
                                 << QStringLiteral("快递收件记录：") + PlaceholderLine +
                                        QStringLiteral("\r\r快递最新记录：") + PlaceholderLine
                                 << QStringLiteral("快递最新记录：") + PlaceholderLine;
    QTest::newRow("empty list") << QStringList{} << QString() << QStringLiteral("快递收件记录：\r\r快递最新记录：")
                                << QStringLiteral("快递最新记录：");
}

void TestQuery::copyCommands()
{
    QFETCH(QStringList, listed);
    QFETCH(QString, copyAll);
    QFETCH(QString, copyFirstAndLast);
    QFETCH(QString, copyLast);

    results()->addItems(listed);
    QClipboard *clipboard = QGuiApplication::clipboard();

    clipboard->setText(QStringLiteral("something else"));
    click("Command1");
    QCOMPARE(clipboard->text(), copyAll);
    click("Command5");
    QCOMPARE(clipboard->text(), copyFirstAndLast);
    click("Command6");
    QCOMPARE(clipboard->text(), copyLast);
    QCOMPARE(linesOf(results()), listed); // copying changes nothing on the window
}

void TestQuery::clearResetsNumberAndResults()
{
    history()->addItem(QStringLiteral("时间: 10:00:00 公司:中通 单号:1"));
    control<QRadioButton>(m_on.window.get(), "zhongtong")->setChecked(true);
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));

    for (int round = 0; round < 2; ++round) { // also from an empty box and an empty list
        numberBox()->setText(round == 0 ? QStringLiteral("123") : QString());
        results()->clear();
        if (round == 0)
            results()->addItems({"a", "b"});
        click("Command2");
        QCOMPARE(numberBox()->text(), QString());
        QCOMPARE(linesOf(results()), QStringList{PlaceholderLine});
    }
    QCOMPARE(history()->count(), 1);
    QVERIFY(control<QRadioButton>(m_on.window.get(), "zhongtong")->isChecked());
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
}

QTEST_MAIN(TestQuery)
#include "tst_query.moc"

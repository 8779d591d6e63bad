#include "ClipboardTexts.h"
#include "TrackingQuery.h"

#include <QTest>

using namespace TrackingQuery;

class TestTrackingQuery : public QObject
{
    Q_OBJECT

private slots:
    void historyLine_data();
    void historyLine();
    void resultLines_data();
    void resultLines();
    void historyLineRoundTrip_data();
    void historyLineRoundTrip();
    void historyLineWithoutMarkers();
    void clipboardTexts_data();
    void clipboardTexts();
};

namespace {
QString eventObject(const QString &time, const QString &context)
{
    return QStringLiteral(R"({"time":")") + time + QStringLiteral(R"(","context":")") + context +
           QStringLiteral(R"("})");
}
} // namespace

void TestTrackingQuery::historyLine_data()
{
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("line");

    QTest::newRow("afternoon") << QTime(14, 3, 9) << "中通"
                               << "123456789012"
                               << "时间: 14:03:09 公司:中通 单号:123456789012";
    QTest::newRow("morning has leading zeros") << QTime(9, 5, 7) << "ems"
                                               << "E1"
                                               << "时间: 09:05:07 公司:ems 单号:E1";
    QTest::newRow("midnight") << QTime(0, 0, 0) << "兴邦"
                              << "7"
                              << "时间: 00:00:00 公司:兴邦 单号:7";
    QTest::newRow("blanks kept") << QTime(23, 59, 59) << "e邮宝"
                                 << " 1 2 "
                                 << "时间: 23:59:59 公司:e邮宝 单号: 1 2 ";
}

void TestTrackingQuery::historyLine()
{
    QFETCH(QTime, time);
    QFETCH(QString, name);
    QFETCH(QString, number);
    QFETCH(QString, line);

    QCOMPARE(TrackingQuery::historyLine(time, name, number), line);
    QCOMPARE(line.indexOf(QStringLiteral(" 公司:")), 12);
}

void TestTrackingQuery::resultLines_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QStringList>("lines");

    const QString blanks = QStringLiteral("   ");
    QStringList fiveLines;
    QString fiveEvents;
    for (int i = 5; i >= 1; --i) {
        const QString time = QStringLiteral("2015-06-0%1 08:12:30").arg(i);
        const QString context = QStringLiteral("【杭州】第%1站 已发出").arg(i);
        fiveEvents += (fiveEvents.isEmpty() ? QString() : QStringLiteral(",")) + eventObject(time, context);
        fiveLines << time + blanks + context;
    }

    QTest::newRow("five events in order, three blanks each")
        << QStringLiteral(R"({"message":"ok","status":"1","data":[)") + fiveEvents + QStringLiteral("]}") << fiveLines;
    QTest::newRow("escapes and blanks stay as written")
        << eventObject(QStringLiteral(" 2015-06-01 "), QStringLiteral(R"(\u5df2\/签收 )"))
        << QStringList{QStringLiteral(" 2015-06-01 ") + blanks + QStringLiteral(R"(\u5df2\/签收 )")};
    QTest::newRow("time present but no event object: messages not tried")
        << QStringLiteral(R"({"message":"单号不存在","updatetime":"2015"})") << QStringList{};
    QTest::newRow("no time, 单号, two messages")
        << QStringLiteral(R"({"message":"单号不存在","status":"0","returnmessage":"请核对单号"})")
        << QStringList{QStringLiteral("单号不存在"), QStringLiteral("请核对单号")};
    QTest::newRow("neither time nor 单号") << QStringLiteral(R"({"message":"系统繁忙"})") << QStringList{};
    QTest::newRow("empty answer") << QString() << QStringList{};
    QTest::newRow("upper-case TIME is no event")
        << QStringLiteral(R"({"TIME":"2015","context":"x"} time)") << QStringList{};
    QTest::newRow("a line feed stops a capture")
        << QStringLiteral("{\"time\":\"2015\n\",\"context\":\"x\"}") << QStringList{};
    QTest::newRow("an HTML error page") << QStringLiteral("<html><body>404 Not Found</body></html>") << QStringList{};
}

void TestTrackingQuery::resultLines()
{
    QFETCH(QString, answer);
    QFETCH(QStringList, lines);

    QCOMPARE(TrackingQuery::resultLines(answer), lines);
}

void TestTrackingQuery::historyLineRoundTrip_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("number");

    QTest::newRow("example") << "中通"
                             << "123456789012";
    QTest::newRow("blanks") << "顺丰"
                            << "  12 34  ";
    QTest::newRow("number holding the company marker") << "圆通"
                                                       << "公司:中通";
    QTest::newRow("number holding the number marker") << "ems"
                                                      << "1 单号:2";
    QTest::newRow("empty number") << "e邮宝"
                                  << "";
    QTest::newRow("long number") << "兴邦" << QString(500, QLatin1Char('9'));
}

void TestTrackingQuery::historyLineRoundTrip()
{
    QFETCH(QString, name);
    QFETCH(QString, number);

    const auto entry = parseHistoryLine(TrackingQuery::historyLine(QTime(14, 3, 9), name, number));
    QVERIFY(entry);
    QCOMPARE(entry->displayName, name);
    QCOMPARE(entry->number, number);
}

void TestTrackingQuery::historyLineWithoutMarkers()
{
    QVERIFY(!parseHistoryLine(QString()));
    QVERIFY(!parseHistoryLine(QStringLiteral("时间: 14:03:09")));
    QVERIFY(!parseHistoryLine(QStringLiteral("单号:1 公司:中通")));
    QVERIFY(!parseHistoryLine(QStringLiteral("公司: 单号:1").mid(0, 4)));
}

void TestTrackingQuery::clipboardTexts_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("all");
    QTest::addColumn<QString>("firstAndLast");
    QTest::addColumn<QString>("last");

    const QString placeholder = QStringLiteral("此处返回查询结果。");
    QTest::newRow("placeholder only") << QStringList{placeholder} << placeholder + "\r\n"
                                      << "快递收件记录：" + placeholder + "\r\r快递最新记录：" + placeholder
                                      << "快递最新记录：" + placeholder;
    QTest::newRow("empty list") << QStringList{} << QString() << QStringLiteral("快递收件记录：\r\r快递最新记录：")
                                << QStringLiteral("快递最新记录：");
    QTest::newRow("three lines, kept character for character")
        << QStringList{"a：1", " b  ", "c"} << QStringLiteral("a：1\r\n b  \r\nc\r\n")
        << QStringLiteral("快递收件记录：a：1\r\r快递最新记录：c") << QStringLiteral("快递最新记录：c");
}

void TestTrackingQuery::clipboardTexts()
{
    QFETCH(QStringList, lines);
    QFETCH(QString, all);
    QFETCH(QString, firstAndLast);
    QFETCH(QString, last);

    QCOMPARE(ClipboardTexts::allLines(lines), all);
    QCOMPARE(ClipboardTexts::firstAndLast(lines), firstAndLast);
    QCOMPARE(ClipboardTexts::lastLine(lines), last);
}

QTEST_GUILESS_MAIN(TestTrackingQuery)
#include "tst_trackingquery.moc"

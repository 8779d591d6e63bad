// Rows of the web subsystem: the UTF-8 test and decoding of answer bodies, and the pattern search
// on ordinary and hostile answers, through the literal scan and through the regex engine.

#include "BenchTable.h"
#include "Module1.h"
#include "Module2.h"

#include "TestHttpServer.h"

#include <QStringEncoder>

#include <cstdio>

namespace {

const QString timePattern = QStringLiteral("\"time\":\"(.+?)\"}");
const QString joint = QStringLiteral("\",\"context\":\"");

// A tracking answer with `count` events, as the service writes it.
QString answer(int count)
{
    static const QStringList contexts = {
        QStringLiteral("【上海市浦东新区公司】的收件员【王师傅】已收件"),
        QStringLiteral("快件已从【上海转运中心】发出，准备发往【杭州转运中心】"),
        QStringLiteral("快件已到达【杭州转运中心】"),
        QStringLiteral("【杭州市西湖区公司】派件员：李师傅 13800001234 正在为您派件"),
        QStringLiteral("已签收，签收人：本人，感谢使用中通快递，期待再次为您服务"),
    };
    QString text = QStringLiteral("{\"message\":\"ok\",\"nu\":\"123456789012\",\"ischeck\":\"1\",\"com\":\"zhongtong\","
                                  "\"status\":\"200\",\"data\":[");
    for (int i = 0; i < count; ++i) {
        if (i)
            text += u',';
        text += QStringLiteral("{\"time\":\"2015-06-%1 %2:%3:30\",\"context\":\"%4\"}")
                    .arg(1 + i % 28, 2, 10, QLatin1Char('0'))
                    .arg(i % 24, 2, 10, QLatin1Char('0'))
                    .arg(i % 60, 2, 10, QLatin1Char('0'))
                    .arg(contexts[i % contexts.size()]);
    }
    return text + QStringLiteral("],\"state\":\"3\"}");
}

// What the query searches: the answer with every joint between time and context made three blanks.
QString prepared(QString text)
{
    return text.replace(joint, QStringLiteral("   "));
}

// `unit` repeated up to exactly `bytes`, the rest padded with ASCII blanks.
QByteArray bodyOf(const QByteArray &unit, qint64 bytes)
{
    QByteArray body;
    body.reserve(bytes);
    while (body.size() + unit.size() <= bytes)
        body += unit;
    body += QByteArray(bytes - body.size(), ' ');
    return body;
}

// One line full of openings whose closing comes only after the line feed at its end.
QString adversarial(qint64 characters)
{
    const QString opening = QStringLiteral("\"time\":\"");
    return opening.repeated(characters / opening.size()) + QStringLiteral("\n\"}");
}

void addRow(BenchTable &table, const QString &name, const QString &input, double seconds, qint64 bytes,
            const QString &note = {})
{
    table.add({QStringLiteral("web"), name, input, seconds, bytes, note});
}

volatile qsizetype sink; // keeps the optimiser from dropping the measured work

void bodies(BenchTable &table)
{
    const QByteArray utf8Unit = answer(30).toUtf8();
    QStringEncoder toGb("GB18030");
    const QByteArray gbUnit = toGb.encode(answer(30));
    const QByteArray chineseUnit = QStringLiteral("快件已到达转运中心正在派件已签收").toUtf8();

    for (const qint64 size : {qint64(1) << 20, qint64(16) << 20}) {
        const QByteArray utf8 = bodyOf(utf8Unit, size);
        const QByteArray gb = bodyOf(gbUnit, size);
        const QByteArray chinese = bodyOf(chineseUnit, size);
        addRow(table, QStringLiteral("LooksLikeUtf8, UTF-8 answer"), byteSize(size),
               secondsPerRun([&] { sink = LooksLikeUtf8(utf8); }), size);
        addRow(table, QStringLiteral("LooksLikeUtf8, Chinese-only UTF-8"), byteSize(size),
               secondsPerRun([&] { sink = LooksLikeUtf8(chinese); }), size, QStringLiteral("no ASCII to skip"));
        addRow(table, QStringLiteral("DecodeBytes, UTF-8 answer"), byteSize(size),
               secondsPerRun([&] { sink = DecodeBytes(utf8).size(); }), size);
        addRow(table, QStringLiteral("DecodeBytes, GB18030 answer"), byteSize(size),
               secondsPerRun([&] { sink = DecodeBytes(gb).size(); }), size, QStringLiteral("UTF-8 test ends early"));
    }
}

void answers(BenchTable &table)
{
    for (const int events : {30, 100000}) {
        const QString text = prepared(answer(events));
        const qint64 bytes = text.toUtf8().size();
        const QString input = QStringLiteral("%1 events, %2").arg(events).arg(byteSize(bytes));
        addRow(table, QStringLiteral("RegexMatchAll, time pattern"), input,
               secondsPerRun([&] { sink = RegexMatchAll(timePattern, text).size(); }), bytes,
               QStringLiteral("literal scan"));
        addRow(table, QStringLiteral("QRegularExpression, time pattern"), input,
               secondsPerRun([&] { sink = PatternMatching::matchWithRegularExpression(timePattern, text).size(); }),
               bytes, QStringLiteral("engine, JIT"));
    }
}

void hostileAnswers(BenchTable &table)
{
    for (const qint64 size : {qint64(64) << 10, qint64(256) << 10, qint64(1) << 20, qint64(4) << 20}) {
        const QString text = adversarial(size);
        addRow(table, QStringLiteral("RegexMatchAll, hostile line"), byteSize(size),
               secondsPerRun([&] { sink = RegexMatchAll(timePattern, text).size(); }), size,
               QStringLiteral("literal scan"));
    }
    for (const qint64 size : {qint64(64) << 10, qint64(256) << 10, qint64(1) << 20, qint64(4) << 20}) {
        const QString text = adversarial(size);
        addRow(table, QStringLiteral("QRegularExpression, hostile line"), byteSize(size),
               secondsPerRun([&] { sink = PatternMatching::matchWithRegularExpression(timePattern, text).size(); }),
               size, QStringLiteral("engine, JIT"));
    }
    // Without its JIT the engine is quadratic here (each doubling takes four times as long), so the
    // sizes stay small. It reads QT_ENABLE_REGEXP_JIT once per process, hence a process of its own.
    for (const qint64 size : {qint64(16) << 10, qint64(32) << 10, qint64(64) << 10}) {
        const QString output = runBenchChild("web", {QStringLiteral("hostile-engine"), QString::number(size)},
                                             {QStringLiteral("QT_ENABLE_REGEXP_JIT=0")});
        bool ok = false;
        const double seconds = output.toDouble(&ok);
        addRow(table, QStringLiteral("QRegularExpression, hostile line"), byteSize(size), ok ? seconds : 0, size,
               ok ? QStringLiteral("engine, JIT off") : QStringLiteral("engine, JIT off: child failed"));
    }
}

void fetches(BenchTable &table)
{
    TestHttpServer server;
    if (!server.listen())
        return;
    const QByteArray body = answer(30).toUtf8();
    server.setResponse(TestHttpServer::text(body, 200, "application/json;charset=utf-8"));
    const QString url = server.url(QStringLiteral("/?com=zhongtong&nu=123456789012"));
    addRow(table, QStringLiteral("HttpGetText, loopback server"),
           QStringLiteral("30 events, %1").arg(byteSize(body.size())),
           secondsPerRun([&] { sink = HttpGetText(url).text.size(); }), -1,
           QStringLiteral("fresh network manager per call"));
}

void runWebGroup(BenchTable &table)
{
    bodies(table);
    answers(table);
    hostileAnswers(table);
    fetches(table);
}

int webChild(const QStringList &arguments)
{
    if (arguments.value(0) != QLatin1String("hostile-engine"))
        return 2;
    const QString text = adversarial(arguments.value(1).toLongLong());
    const double seconds =
        secondsPerRun([&] { sink = PatternMatching::matchWithRegularExpression(timePattern, text).size(); });
    std::printf("%.9f\n", seconds);
    return 0;
}

} // namespace

QUORVEL_BENCH_GROUP(web, runWebGroup, webChild);

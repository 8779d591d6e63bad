#include "Module2.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

const QString timePattern = QStringLiteral(R"re("time":"(.+?)"})re");
const QString messagePattern = QStringLiteral(R"re(message":"(.+?)")re");

QString eventObject(const QString &time, const QString &context)
{
    // As the query prepares it: the joint between time and context already turned into three blanks.
    return QStringLiteral(R"({"time":")") + time + QStringLiteral("   ") + context + QStringLiteral(R"("})");
}

// Pieces that make the literal scan's decisions interesting: both parts of both patterns and
// fragments of them, line breaks of every kind the engine might treat as one, and characters
// outside the basic plane.
const QStringList &textPieces()
{
    static const QStringList pieces = {
        QStringLiteral(R"("time":")"),
        QStringLiteral(R"("})"),
        QStringLiteral("\""),
        QStringLiteral("}"),
        QStringLiteral(R"(message":")"),
        QStringLiteral("message"),
        QStringLiteral(R"("time")"),
        QStringLiteral(":"),
        QStringLiteral("a"),
        QStringLiteral("已签收"),
        QStringLiteral("\n"),
        QStringLiteral("\r"),
        QStringLiteral("\r\n"),
        QStringLiteral("\u2028"),
        QStringLiteral("\u0085"),
        QStringLiteral("\U0001F600"),
        QStringLiteral("ab"),
        QStringLiteral("x"),
        QStringLiteral(" "),
        QStringLiteral("TIME"),
    };
    return pieces;
}

} // namespace

class TestRegexMatchAll : public QObject
{
    Q_OBJECT

private slots:
    void matches_data();
    void matches();
    void patternShape_data();
    void patternShape();
    void literalScanAgreesWithTheEngine_data();
    void literalScanAgreesWithTheEngine();
    void literalScanAgreesOnRandomTexts();
};

void TestRegexMatchAll::matches_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");

    const QString a = QStringLiteral("2015-06-01 08:12:30");
    const QString b = QStringLiteral("2015-06-01 14:40:02");
    const QString c = QStringLiteral("2015-06-02 09:03:11");
    QTest::newRow("three events in order")
        << timePattern
        << QStringLiteral(R"({"data":[)") + eventObject(c, QStringLiteral("已签收")) + "," +
               eventObject(b, QStringLiteral("派送中")) + "," + eventObject(a, QStringLiteral("已揽收")) + "]}"
        << QStringList{c + "   已签收", b + "   派送中", a + "   已揽收"};
    QTest::newRow("lazy capture stops at its own object")
        << timePattern << QStringLiteral(R"({"time":"a"},{"time":"b"})") << QStringList{"a", "b"};
    QTest::newRow("quote without brace does not close")
        << timePattern << QStringLiteral(R"("time":"say "hi" now"})") << QStringList{R"(say "hi" now)"};
    QTest::newRow("upper-case member name does not match")
        << timePattern << QStringLiteral(R"({"TIME":"a"})") << QStringList();
    QTest::newRow("line feed stops a capture") << timePattern << QStringLiteral("\"time\":\"a\nb\"}") << QStringList();
    QTest::newRow("line feed stops one capture, the next line still matches")
        << timePattern << QStringLiteral("\"time\":\"a\n\"time\":\"b\"}") << QStringList{"b"};
    QTest::newRow("carriage return is an ordinary character")
        << timePattern << QStringLiteral("\"time\":\"a\rb\"}") << QStringList{"a\rb"};
    QTest::newRow("capture needs at least one character")
        << timePattern << QStringLiteral(R"("time":""}x"})") << QStringList{R"("}x)"};
    QTest::newRow("character outside the basic plane")
        << timePattern << QStringLiteral("\"time\":\"\U0001F600\"}") << QStringList{"\U0001F600"};
    QTest::newRow("empty text") << timePattern << QString() << QStringList();
    QTest::newRow("opening at the very end") << timePattern << QStringLiteral(R"(x"time":")") << QStringList();
    QTest::newRow("two problem messages")
        << messagePattern << QStringLiteral(R"({"message":"单号不存在","status":"201","errmessage":"请检查单号"})")
        << QStringList{"单号不存在", "请检查单号"};
    QTest::newRow("unescaped as written")
        << messagePattern << QStringLiteral(R"({"message":"\u5355\/x"})") << QStringList{R"(\u5355\/x)"};
    QTest::newRow("other patterns go to the engine")
        << QStringLiteral("([0-9]+)-") << QStringLiteral("12-34-5") << QStringList{"12", "34"};
}

void TestRegexMatchAll::matches()
{
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    QFETCH(QStringList, expected);

    QCOMPARE(RegexMatchAll(pattern, text), expected);
    QCOMPARE(PatternMatching::matchWithRegularExpression(pattern, text), expected);
}

void TestRegexMatchAll::patternShape_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("literal");
    QTest::addColumn<QString>("opening");
    QTest::addColumn<QString>("closing");

    QTest::newRow("time pattern") << timePattern << true << R"("time":")"
                                  << R"("})";
    QTest::newRow("message pattern") << messagePattern << true << R"(message":")"
                                     << R"(")";
    QTest::newRow("greedy capture") << R"(a(.+)b)" << false << ""
                                    << "";
    QTest::newRow("dot in the opening") << R"re(a.(.+?)b)re" << false << ""
                                        << "";
    QTest::newRow("escape in the closing") << R"re(a(.+?)\.)re" << false << ""
                                           << "";
    QTest::newRow("quantifier brace") << R"re(a{2}(.+?)b)re" << false << ""
                                      << "";
    QTest::newRow("alternation") << R"re(a|c(.+?)b)re" << false << ""
                                 << "";
    QTest::newRow("second group") << R"re(a(.+?)b(c))re" << false << ""
                                  << "";
    QTest::newRow("empty opening") << R"re((.+?)b)re" << false << ""
                                   << "";
    QTest::newRow("empty closing") << R"re(a(.+?))re" << false << ""
                                   << "";
    QTest::newRow("anchor") << R"re(^a(.+?)b)re" << false << ""
                            << "";
}

void TestRegexMatchAll::patternShape()
{
    QFETCH(QString, pattern);
    QFETCH(bool, literal);
    QFETCH(QString, opening);
    QFETCH(QString, closing);

    const auto span = PatternMatching::literalSpanOf(pattern);
    QCOMPARE(span.has_value(), literal);
    if (span) {
        QCOMPARE(span->opening, opening);
        QCOMPARE(span->closing, closing);
    }
}

// Hand-made texts at the edges of the line skip and of surrogates, where the literal scan and the
// engine could part ways.
void TestRegexMatchAll::literalScanAgreesWithTheEngine_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("text");

    QTest::newRow("line full of openings, closing after its end")
        << timePattern << QString(QStringLiteral(R"("time":")").repeated(50) + "\n\"}");
    QTest::newRow("closing that starts with the line feed")
        << QStringLiteral("a(.+?)\nb") << QStringLiteral("aa\nb a\nb aaa\nb\nb");
    QTest::newRow("opening that holds a line feed")
        << QStringLiteral("x\ny(.+?)z") << QStringLiteral("x\nyx\ny\nz x\nyqz");
    QTest::newRow("opening across the end of a line that failed")
        << QStringLiteral("a\nb(.+?)c") << QStringLiteral("a\nbqa\nbzc");
    QTest::newRow("overlapping openings") << QStringLiteral("aa(.+?)aa") << QStringLiteral("aaaaaaaaa\naaaaa");
    QTest::newRow("closing right after a surrogate pair")
        << QStringLiteral("a(.+?)b") << QStringLiteral("a\U0001F600b a\U0001F600\U0001F600b");
    QTest::newRow("lone high surrogate makes the text unsearchable")
        << QStringLiteral("a(.+?)b") << QStringLiteral("axb a") + QChar(0xD83D) + QStringLiteral("b");
    QTest::newRow("lone low surrogate makes the text unsearchable")
        << QStringLiteral("a(.+?)b") << QChar(0xDE00) + QStringLiteral("axb");
    QTest::newRow("reversed pair is not a pair")
        << QStringLiteral("a(.+?)b") << QStringLiteral("axb") + QChar(0xDE00) + QChar(0xD83D);
    QTest::newRow("unusual line breaks are ordinary characters")
        << QStringLiteral("a(.+?)b") << QStringLiteral("a\u2028b a\u0085b a\vb a\fb a\r\nb");
}

void TestRegexMatchAll::literalScanAgreesWithTheEngine()
{
    QFETCH(QString, pattern);
    QFETCH(QString, text);

    const auto span = PatternMatching::literalSpanOf(pattern);
    QVERIFY(span);
    QCOMPARE(PatternMatching::matchLiteralSpan(*span, text),
             PatternMatching::matchWithRegularExpression(pattern, text));
}

void TestRegexMatchAll::literalScanAgreesOnRandomTexts()
{
    const QStringList patterns = {timePattern,
                                  messagePattern,
                                  QStringLiteral("aa(.+?)a"),
                                  QStringLiteral("\"(.+?)\"}"),
                                  QStringLiteral("}(.+?)\r\n"),
                                  QStringLiteral("\"\n(.+?)\"")};
    QRandomGenerator random(20150601); // fixed, so a failure can be replayed
    const QStringList &pieces = textPieces();
    int matchesSeen = 0;
    for (int round = 0; round < 10000; ++round) {
        const QString &pattern = patterns[round % patterns.size()];
        QString text;
        const int length = random.bounded(40);
        for (int i = 0; i < length; ++i)
            text += pieces[random.bounded(pieces.size())];

        const QStringList expected = PatternMatching::matchWithRegularExpression(pattern, text);
        const QStringList actual = RegexMatchAll(pattern, text);
        matchesSeen += int(expected.size());
        if (actual != expected) {
            qWarning().noquote() << "round" << round << "pattern" << pattern << "text" << text;
            QCOMPARE(actual, expected);
        }
    }
    // The generator must produce matches often enough for the comparison to mean something.
    QVERIFY2(matchesSeen > 2000, qPrintable(QString::number(matchesSeen)));
}

QTEST_GUILESS_MAIN(TestRegexMatchAll)
#include "tst_regexmatchall.moc"

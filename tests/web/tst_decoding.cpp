#include "Module1.h"

#include <QTest>

class TestDecoding : public QObject
{
    Q_OBJECT

private slots:
    void looksLikeUtf8_data();
    void looksLikeUtf8();
    void looksLikeUtf8AcrossTheWordScan_data();
    void looksLikeUtf8AcrossTheWordScan();
    void decodeBytes_data();
    void decodeBytes();
};

void TestDecoding::looksLikeUtf8_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("expected");

    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("one ASCII byte") << QByteArray::fromHex("41") << false;
    QTest::newRow("two ASCII bytes") << QByteArray::fromHex("4142") << false;
    QTest::newRow("valid two-byte form, but under 3 bytes") << QByteArray::fromHex("c3a9") << false;
    QTest::newRow("byte-order mark alone") << QByteArray::fromHex("efbbbf") << true;
    QTest::newRow("byte-order mark decides, the rest unread") << QByteArray::fromHex("efbbbfffff") << true;
    QTest::newRow("all ASCII") << QByteArray::fromHex("616263") << false;
    QTest::newRow("two-byte form") << QByteArray::fromHex("61c3a9") << true;
    QTest::newRow("three-byte form") << QByteArray::fromHex("61e4b8ad") << true;
    QTest::newRow("four-byte form") << QByteArray::fromHex("61f09f9880") << false;
    QTest::newRow("three-byte form cut off at the end") << QByteArray::fromHex("6162e4b8") << false;
    QTest::newRow("lead byte as the last byte") << QByteArray::fromHex("6162c3") << false;
    QTest::newRow("continuation byte in lead position") << QByteArray::fromHex("618062") << false;
    QTest::newRow("GB2312 text") << QByteArray::fromHex("d6d0cec4") << false;
    QTest::newRow("overlong form accepted") << QByteArray::fromHex("61c080") << true;
    QTest::newRow("encoded surrogate accepted") << QByteArray::fromHex("61eda080") << true;
    QTest::newRow("last byte fits no rule") << QByteArray::fromHex("61e4b8adff") << false;
    QTest::newRow("two-byte lead with an ASCII follower") << QByteArray::fromHex("61c341") << false;
    QTest::newRow("three-byte lead with one good follower") << QByteArray::fromHex("61e4b841") << false;
    QTest::newRow("UTF-8 answer of the update file") << QByteArray("不用更新") << true;
}

void TestDecoding::looksLikeUtf8()
{
    QFETCH(QByteArray, body);
    QFETCH(bool, expected);
    QCOMPARE(LooksLikeUtf8(body), expected);
}

// The scan skips ASCII eight bytes at a time; put the deciding byte at every offset of a block so a
// slip at the boundary of the fast skip shows.
void TestDecoding::looksLikeUtf8AcrossTheWordScan_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("expected");

    for (int offset = 0; offset <= 17; ++offset) {
        const QByteArray ascii(offset, 'a');
        QTest::addRow("three-byte form after %d ASCII bytes", offset) << ascii + "中" + "bcdefghij" << true;
        QTest::addRow("stray continuation byte after %d ASCII bytes", offset)
            << ascii + QByteArray::fromHex("80") + "中bcdefghij" << false;
        QTest::addRow("cut-off form as the last bytes after %d ASCII bytes", offset)
            << QByteArray("中") + ascii + QByteArray::fromHex("e4b8") << false;
        QTest::addRow("0xFF after %d ASCII bytes and a good form", offset)
            << QByteArray("中") + ascii + QByteArray::fromHex("ff") + "xxxxxxxx" << false;
    }
}

void TestDecoding::looksLikeUtf8AcrossTheWordScan()
{
    QFETCH(QByteArray, body);
    QFETCH(bool, expected);
    QCOMPARE(LooksLikeUtf8(body), expected);
}

void TestDecoding::decodeBytes_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty body gives the empty text") << QByteArray() << QString();
    QTest::newRow("plain ASCII reads the same") << QByteArray("abc 123") << QStringLiteral("abc 123");
    QTest::newRow("UTF-8 without BOM") << QByteArray("已签收") << QStringLiteral("已签收");
    QTest::newRow("UTF-8 with BOM, which does not stay in the text")
        << QByteArray("\xEF\xBB\xBF不用更新") << QStringLiteral("不用更新");
    QTest::newRow("GB2312") << QByteArray::fromHex("d6d0cec4") << QStringLiteral("中文");
    // 0x81 0x40 exists only in GBK; ICU's GB2312 decoder would pass it through as C1 controls.
    QTest::newRow("GBK-only character") << QByteArray::fromHex("8140d6d0") << QStringLiteral("丂中");
    QTest::newRow("GB18030 four-byte form") << QByteArray::fromHex("81308130") << QStringLiteral("\u0080");
    QTest::newRow("invalid byte in a GB body becomes U+FFFD")
        << QByteArray::fromHex("d6d0ff41") << QStringLiteral("中\uFFFDA");
    QTest::newRow("GB body cut mid-character keeps a trace")
        << QByteArray::fromHex("d6d0cec441d6") << QStringLiteral("中文A\uFFFD");
    QTest::newRow("GB body cut within a four-byte form keeps a trace")
        << QByteArray::fromHex("d6d08130") << QStringLiteral("中\uFFFD0");
    // Only a BOM can make a cut-off body pass the UTF-8 test.
    QTest::newRow("UTF-8 body cut mid-sequence keeps a trace")
        << QByteArray::fromHex("efbbbf61e4b8") << QStringLiteral("a\uFFFD\uFFFD");
    QTest::newRow("invalid bytes after a BOM become U+FFFD")
        << QByteArray::fromHex("efbbbf61ff62") << QStringLiteral("a\uFFFDb");
}

void TestDecoding::decodeBytes()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, expected);
    QCOMPARE(DecodeBytes(body), expected);
}

QTEST_GUILESS_MAIN(TestDecoding)
#include "tst_decoding.moc"

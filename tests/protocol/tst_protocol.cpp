#include "TrackingProtocol.h"

#include <QTest>
#include <QUrl>
#include <QUrlQuery>

using namespace TrackingProtocol;

class TestProtocol : public QObject
{
    Q_OBJECT

private slots:
    void plainNumberGivesTheTemplatesUrl();
    void numberReachesTheServiceUnchanged_data();
    void numberReachesTheServiceUnchanged();
};

namespace {
const QString Base = QStringLiteral("https://api.example.test:8080");
} // namespace

void TestProtocol::plainNumberGivesTheTemplatesUrl()
{
    QCOMPARE(requestUrl(requestUrlTemplate(Base), QStringLiteral("zhongtong"), QStringLiteral("123456789012")),
             QStringLiteral("https://api.example.test:8080/?com=zhongtong&nu=123456789012&id=") + AccessKey);
}

void TestProtocol::numberReachesTheServiceUnchanged_data()
{
    QTest::addColumn<QString>("number");

    QTest::newRow("contains gongsi") << "AB gongsi 12";
    QTest::newRow("contains danhao") << "danhao9";
    QTest::newRow("ampersand and a key") << "1&com=ems";
    QTest::newRow("hash") << "12#34";
    QTest::newRow("percent") << "100%25";
    QTest::newRow("blanks only") << "   ";
    QTest::newRow("plus sign") << "1+2";
    QTest::newRow("Chinese") << "单号:中通";
    QTest::newRow("slash and question mark") << "a/b?c";
    QTest::newRow("a noncharacter") << QStringLiteral("12\uFDD034");
}

void TestProtocol::numberReachesTheServiceUnchanged()
{
    QFETCH(QString, number);

    const QString built = requestUrl(requestUrlTemplate(Base), QStringLiteral("shentong"), number);
    const QUrl url(built, QUrl::StrictMode);
    QVERIFY2(url.isValid(), qPrintable(url.errorString()));
    QCOMPARE(url.path(), QStringLiteral("/"));
    QVERIFY(!url.hasFragment());

    const QUrlQuery query(url);
    const auto items = query.queryItems(QUrl::FullyDecoded);
    QCOMPARE(items.size(), 3);
    QCOMPARE(items.at(0).first, QStringLiteral("com"));
    QCOMPARE(items.at(0).second, QStringLiteral("shentong"));
    QCOMPARE(items.at(1).first, QStringLiteral("nu"));
    // QUrlQuery reads '+' as itself; the service sees exactly the typed text.
    QCOMPARE(QUrl::fromPercentEncoding(query.queryItemValue(QStringLiteral("nu"), QUrl::FullyEncoded).toUtf8()),
             number);
    QCOMPARE(items.at(2), qMakePair(QStringLiteral("id"), AccessKey));

    // And the service, reading the request as it arrives, finds the same three values.
    const auto request = readTrackingRequest(url.path(), url.query(QUrl::FullyEncoded));
    QVERIFY(request);
    QCOMPARE(request->courierCode, QStringLiteral("shentong"));
    QCOMPARE(request->number, number);
    QCOMPARE(request->key, AccessKey);
}

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"

#include "CarrierTable.h"

#include <QSet>
#include <QTest>

class TestCarrierTable : public QObject
{
    Q_OBJECT

private slots:
    void forwardLookup_data();
    void forwardLookup();
    void forwardLookupTakesFirstSelectedRowInTableOrder();
    void reverseLookup_data();
    void reverseLookup();
    void codesAndNamesAreUnique();
    void everyRowRoundTripsThroughItsDisplayName();
};

void TestCarrierTable::forwardLookup_data()
{
    QTest::addColumn<QString>("selectedButton");
    QTest::addColumn<QString>("apiCode");
    QTest::addColumn<QString>("displayName");

    QTest::newRow("新邦物流 is known as 兴邦") << "xinbang"
                                               << "xinbang"
                                               << "兴邦";
    QTest::newRow("EMS shows the lower-case code") << "ems"
                                                   << "ems"
                                                   << "ems";
    QTest::newRow("E邮宝 starts with a lower-case e") << "eyoubao"
                                                      << "eyoubao"
                                                      << "e邮宝";
    QTest::newRow("汇通 sends huitong") << "huitongkuaidi"
                                        << "huitong"
                                        << "汇通";
    QTest::newRow("全峰 sends quanfeng") << "quanfengkuaidi"
                                         << "quanfeng"
                                         << "全峰";
    QTest::newRow("邮政小包 sends pingyou") << "xiaobao"
                                            << "pingyou"
                                            << "邮政小包";
    QTest::newRow("物流 is dropped from the name") << "yuancheng"
                                                   << "yuancheng"
                                                   << "远成";
    QTest::newRow("速尔 has a row of its own") << "sure"
                                               << "suer"
                                               << "速尔";
}

void TestCarrierTable::forwardLookup()
{
    QFETCH(QString, selectedButton);
    QFETCH(QString, apiCode);
    QFETCH(QString, displayName);

    const auto carrier = CarrierTable::forwardLookup([&](const QString &name) { return name == selectedButton; });
    QVERIFY(carrier);
    QCOMPARE(carrier->buttonName, selectedButton);
    QCOMPARE(carrier->apiCode, apiCode);
    QCOMPARE(carrier->displayName, displayName);
}

void TestCarrierTable::forwardLookupTakesFirstSelectedRowInTableOrder()
{
    QVERIFY(!CarrierTable::forwardLookup([](const QString &) { return false; }));
    QVERIFY(!CarrierTable::forwardLookup([](const QString &name) { return name == QLatin1String("Frame1"); }));

    // Were two buttons ever selected, the one earlier in the table wins, whatever the window's order.
    const auto carrier = CarrierTable::forwardLookup(
        [](const QString &name) { return name == QLatin1String("yuantong") || name == QLatin1String("zhongtong"); });
    QVERIFY(carrier);
    QCOMPARE(carrier->apiCode, QStringLiteral("zhongtong"));
}

void TestCarrierTable::reverseLookup_data()
{
    QTest::addColumn<QString>("displayName");
    QTest::addColumn<QString>("button"); // empty: no row

    QTest::newRow("兴邦") << "兴邦"
                          << "xinbang";
    QTest::newRow("ems") << "ems"
                         << "ems";
    QTest::newRow("e邮宝") << "e邮宝"
                           << "eyoubao";
    QTest::newRow("新邦 is the caption, not the name") << "新邦"
                                                       << "";
    QTest::newRow("EMS is the caption, not the name") << "EMS"
                                                      << "";
    QTest::newRow("E邮宝 is the caption, not the name") << "E邮宝"
                                                        << "";
    QTest::newRow("a caption ending in 物流") << "德邦物流"
                                              << "";
    QTest::newRow("a name with a trailing blank") << "中通 "
                                                  << "";
    QTest::newRow("part of a name") << "邮政"
                                    << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestCarrierTable::reverseLookup()
{
    QFETCH(QString, displayName);
    QFETCH(QString, button);

    const auto carrier = CarrierTable::reverseLookup(displayName);
    QCOMPARE(carrier.has_value(), !button.isEmpty());
    if (carrier)
        QCOMPARE(carrier->buttonName, button);
}

void TestCarrierTable::codesAndNamesAreUnique()
{
    QSet<QString> buttons, codes, names;
    for (const Carrier &row : CarrierTable::rows()) {
        buttons.insert(row.buttonName);
        codes.insert(row.apiCode);
        names.insert(row.displayName);
    }
    const auto rows = CarrierTable::rows().size();
    QCOMPARE(buttons.size(), rows);
    QCOMPARE(codes.size(), rows);
    QCOMPARE(names.size(), rows);
}

void TestCarrierTable::everyRowRoundTripsThroughItsDisplayName()
{
    for (const Carrier &row : CarrierTable::rows()) {
        const auto found = CarrierTable::reverseLookup(row.displayName);
        QVERIFY2(found && found->buttonName == row.buttonName, qPrintable(row.displayName));
    }
}

QTEST_GUILESS_MAIN(TestCarrierTable)
#include "tst_carriertable.moc"

// The real window against the simulator, served from a thread of the program's own as a demonstration
// build serves it: the two sides share the request's form, the key and the couriers, and this is
// where any drift between them shows.

#include "CarrierTable.h"
#include "GuiTestSupport.h"
#include "SimulatorThread.h"
#include "TrackingProtocol.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QTcpServer>

class TestDemonstration : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void everyCourierListsEvents_data();
    void everyCourierListsEvents();
    void copyCommandsFindThePickUpFirstAndTheLatestLast();

private:
    QStringList queryAndWait(const QString &courier, const QString &number);

    std::unique_ptr<SimulatorThread> m_simulator;
    std::unique_ptr<MessageBoxRecorder> m_messages;
    std::unique_ptr<OpenedUrls> m_opened;
    std::unique_ptr<form1> m_window;
};

namespace {
const QRegularExpression eventLine(QStringLiteral(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d   \S)"));
} // namespace

// As main() starts a demonstration, on a port of the test's own: nothing listens until the
// start-up's update check, which the window's own thread then serves.
void TestDemonstration::initTestCase()
{
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress(TrackingProtocol::LoopbackAddress)));
    const quint16 port = probe.serverPort();
    probe.close();
    m_simulator = std::make_unique<SimulatorThread>(port);
    setBeforeEachRequest([this] { m_simulator->serve(); });
    const QString url = QStringLiteral("http://%1:%2").arg(TrackingProtocol::LoopbackAddress).arg(port);
    m_messages = std::make_unique<MessageBoxRecorder>();
    m_opened = std::make_unique<OpenedUrls>();
    m_window = std::make_unique<form1>(Endpoints{url, url, url, QStringLiteral("12345678")});
    m_window->setHttpOptions({5000, 1024 * 1024});
    QVERIFY(m_window->Form_Load());
    QVERIFY(m_simulator->serving());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestDemonstration::cleanupTestCase()
{
    m_window.reset();
    m_opened.reset();
    m_messages.reset();
    setBeforeEachRequest({});
    m_simulator.reset();
}

QStringList TestDemonstration::queryAndWait(const QString &courier, const QString &number)
{
    auto *history = control<QListWidget>(m_window.get(), "List2");
    const int logged = history->count();
    auto *courierButton = control<QRadioButton>(m_window.get(), courier.toLatin1().constData());
    if (QTest::currentTestFailed())
        return {}; // a Carrier row without its button: nothing to query
    courierButton->setChecked(true);
    control<QLineEdit>(m_window.get(), "Text2")->setText(number);
    QTest::mouseClick(control<QPushButton>(m_window.get(), "chaxun"), Qt::LeftButton);
    // The query has run to its end once it has logged its History line.
    if (!QTest::qWaitFor([&] { return history->count() > logged; }, 5000))
        return {};
    return linesOf(control<QListWidget>(m_window.get(), "List1"));
}

void TestDemonstration::everyCourierListsEvents_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("displayName");
    for (const Carrier &carrier : CarrierTable::rows())
        QTest::newRow(qPrintable(carrier.buttonName)) << carrier.buttonName << carrier.displayName;
}

void TestDemonstration::everyCourierListsEvents()
{
    QFETCH(QString, button);
    QFETCH(QString, displayName);

    const QStringList lines = queryAndWait(button, QStringLiteral("73100012345678"));

    QVERIFY2(m_messages->shown.isEmpty(), qPrintable(m_messages->shown.value(0).text));
    QVERIFY2(lines.size() >= 2, qPrintable(lines.join(u'\n')));
    for (const QString &line : lines)
        QVERIFY2(eventLine.match(line).hasMatch(), qPrintable(line));
    const QString logged = linesOf(control<QListWidget>(m_window.get(), "List2")).last();
    QVERIFY2(logged.endsWith(QStringLiteral(" 公司:") + displayName + QStringLiteral(" 单号:73100012345678")),
             qPrintable(logged));
}

void TestDemonstration::copyCommandsFindThePickUpFirstAndTheLatestLast()
{
    const QStringList lines = queryAndWait(QStringLiteral("zhongtong"), QStringLiteral("ZT2015060100"));
    QVERIFY2(lines.size() >= 2, qPrintable(lines.join(u'\n')));
    QStringList times;
    for (const QString &line : lines)
        times << line.left(19);
    QStringList inOrder = times;
    std::sort(inOrder.begin(), inOrder.end());
    QCOMPARE(times, inOrder);

    QTest::mouseClick(control<QPushButton>(m_window.get(), "Command6"), Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("快递最新记录：") + lines.last());
    QTest::mouseClick(control<QPushButton>(m_window.get(), "Command5"), Qt::LeftButton);
    const QString firstAndLast = QGuiApplication::clipboard()->text();
    QVERIFY2(firstAndLast.startsWith(QStringLiteral("快递收件记录：") + lines.first()), qPrintable(firstAndLast));
    QVERIFY2(lines.first().endsWith(QStringLiteral("已收件")), qPrintable(lines.first()));
}

QTEST_MAIN(TestDemonstration)
#include "tst_demonstration.moc"

// The start-up: skin, home page and the update check that decides whether the program runs.

#include "GuiTestSupport.h"
#include "Module3.h"
#include "ResultList.h"
#include "form1.h"

#include <QApplication>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void updateAnswer_data();
    void updateAnswer();
    void unreachableUpdateFileEndsLikeABadAnswer();
    void homePageIsOpenedBeforeTheCheckAndTheWindowStaysHidden();
    void skinFilePath_data();
    void skinFilePath();
    void skinIsAppliedWhenReadable();
};

namespace {
const QString UpdateMessage = QStringLiteral("程序已经更新，请到官网下载最新版本");
const QString BusyMessage = QStringLiteral("服务器繁忙，请联系作者qq12345678");
} // namespace

void TestStartup::updateAnswer_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("runs");
    QTest::addColumn<QString>("message"); // empty: none
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("homePageOpenings");

    const QString busyTitle = QStringLiteral("服务器繁忙");
    QTest::newRow("不用更新 lets it run") << 200 << QByteArray("不用更新") << true << QString() << QString() << 1;
    QTest::newRow("不用更新 in GB2312") << 200 << QByteArray("\xb2\xbb\xd3\xc3\xb8\xfc\xd0\xc2") << true << QString()
                                        << QString() << 1;
    QTest::newRow("需要更新 sends the user to the site")
        << 200 << QByteArray("需要更新") << false << UpdateMessage << QStringLiteral("更新提示") << 2;
    QTest::newRow("a line break behind 不用更新")
        << 200 << QByteArray("不用更新\r\n") << false << BusyMessage << busyTitle << 1;
    QTest::newRow("a blank before 不用更新")
        << 200 << QByteArray(" 不用更新") << false << BusyMessage << busyTitle << 1;
    QTest::newRow("empty body") << 200 << QByteArray() << false << BusyMessage << busyTitle << 1;
    QTest::newRow("不用更新 under an error status")
        << 400 << QByteArray("不用更新") << true << QString() << QString() << 1;
    QTest::newRow("not-found page") << 404 << QByteArray("<html><body>404 Not Found</body></html>") << false
                                    << BusyMessage << busyTitle << 1;
    QTest::newRow("server error page with the right words")
        << 500 << QByteArray("<html>不用更新</html>") << false << BusyMessage << busyTitle << 1;
}

void TestStartup::updateAnswer()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, runs);
    QFETCH(QString, message);
    QFETCH(QString, title);
    QFETCH(int, homePageOpenings);

    TestHttpServer server;
    QVERIFY(server.listen());
    server.setResponse(QStringLiteral("/gengxin1.txt"), TestHttpServer::text(body, status));
    MessageBoxRecorder messages;
    EndRecorder end;
    OpenedUrls opened;
    form1 window(endpointsFor(server));

    QCOMPARE(window.Form_Load(), runs);

    QCOMPARE(server.requestCount(), 1);
    QCOMPARE(server.lastRequest().target, QByteArray("/gengxin1.txt"));
    QCOMPARE(end.count, runs ? 0 : 1);
    QCOMPARE(messages.shown.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) {
        QCOMPARE(messages.shown.at(0).text, message);
        QCOMPARE(messages.shown.at(0).title, title);
        QCOMPARE(messages.shown.at(0).buttons, MsgBox::Buttons::Ok);
    }
    const QUrl home(QStringLiteral("http://") + server.hostAndPort() + QStringLiteral("/"));
    QCOMPARE(opened.urls, QList<QUrl>(homePageOpenings, home));

    const auto *results = control<QListWidget>(&window, "List1");
    QCOMPARE(results->count(), runs ? 1 : 0);
    if (runs)
        QCOMPARE(results->item(0)->text(), PlaceholderLine);
    QVERIFY(!window.isVisible());
}

void TestStartup::unreachableUpdateFileEndsLikeABadAnswer()
{
    auto closed = std::make_unique<TestHttpServer>();
    QVERIFY(closed->listen());
    const Endpoints unreachable = endpointsFor(*closed);
    closed.reset();
    MessageBoxRecorder messages;
    EndRecorder end;
    OpenedUrls opened;
    form1 window(unreachable);

    QVERIFY(!window.Form_Load());
    QCOMPARE(end.count, 1);
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(messages.shown.at(0).text, BusyMessage);
}

void TestStartup::homePageIsOpenedBeforeTheCheckAndTheWindowStaysHidden()
{
    TestHttpServer server;
    QVERIFY(server.listen());
    MessageBoxRecorder messages;
    EndRecorder end;
    OpenedUrls opened;
    form1 window(endpointsFor(server));
    int openedWhenAsked = -1;
    bool visibleWhenAsked = true;
    server.setResponder([&](const TestHttpServer::Request &) {
        openedWhenAsked = int(opened.urls.size());
        visibleWhenAsked = window.isVisible();
        return TestHttpServer::text("不用更新");
    });

    QVERIFY(window.Form_Load());
    QCOMPARE(openedWhenAsked, 1);
    QVERIFY(!visibleWhenAsked);
}

void TestStartup::skinFilePath_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("path");

    QTest::newRow("a folder") << "/opt/quorvel/bin"
                              << "/opt/quorvel/bin/skinh.she";
    QTest::newRow("the root folder keeps its separator") << "/"
                                                         << "//skinh.she";
    QTest::newRow("a drive's root") << "C:\\"
                                    << "C:\\/skinh.she";
    QTest::newRow("a Windows folder") << "C:\\Program Files\\Quorvel"
                                      << "C:\\Program Files\\Quorvel/skinh.she";
}

void TestStartup::skinFilePath()
{
    QFETCH(QString, folder);
    QFETCH(QString, path);

    QCOMPARE(::skinFilePath(folder), path);
}

void TestStartup::skinIsAppliedWhenReadable()
{
    const QString before = qApp->styleSheet();
    QTemporaryDir dir;
    QVERIFY(dir.isValid());

    QVERIFY(SkinH_AttachEx(dir.filePath(QStringLiteral("missing.she")), QString()) != 0);
    QCOMPARE(qApp->styleSheet(), before);

    QFile skin(dir.filePath(QStringLiteral("skinh.she")));
    QVERIFY(skin.open(QIODevice::WriteOnly));
    skin.write("QPushButton { color: #123456; }");
    skin.close();
    QCOMPARE(SkinH_AttachEx(skin.fileName(), QString()), 0);
    QCOMPARE(qApp->styleSheet(), QStringLiteral("QPushButton { color: #123456; }"));
    qApp->setStyleSheet(before);
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"

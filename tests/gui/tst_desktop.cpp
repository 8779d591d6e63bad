// What only a real window system shows, read back from the X server as a window manager reads it:
// the titles of the window and of the message boxes. Qt's platform plugins, not QWidget, decide
// what text reaches the title bar. Runs under xvfb-run on Qt's xcb platform.

#include "AppSetup.h"
#include "MsgBox.h"
#include "ProgramTitle.h"
#include "form1.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QTest>
#include <QTimer>

namespace {

// The window's _NET_WM_NAME as `xprop` prints it: NAME = "text".
QString windowManagerTitle(const QWidget *window)
{
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window->winId()),
                                          QStringLiteral("-notype"), QStringLiteral("_NET_WM_NAME")});
    if (!xprop.waitForFinished(5000))
        return QStringLiteral("(xprop did not answer)");
    const QString line = QString::fromUtf8(xprop.readAllStandardOutput()).trimmed();
    const qsizetype open = line.indexOf(QLatin1Char('"'));
    if (open < 0 || !line.endsWith(QLatin1Char('"')))
        return QString();
    return line.mid(open + 1, line.size() - open - 2);
}

} // namespace

class TestDesktop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void windowCaption();
    void messageBoxTitles_data();
    void messageBoxTitles();
};

void TestDesktop::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    setUpApplication(*qApp); // as the program starts: whatever it sets on the application counts
}

void TestDesktop::windowCaption()
{
    form1 window(Endpoints{QStringLiteral("t.example.test"), QStringLiteral("www.example.test"),
                           QStringLiteral("p.example.test"), QStringLiteral("12345678")});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QTRY_COMPARE(windowManagerTitle(&window), QStringLiteral("Quorvel快递查询软件2015版本-官方网址：www.example.test"));
}

void TestDesktop::messageBoxTitles_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("shown");
    for (const char *title : {"系统提示", "更新提示", "服务器繁忙", "退出确认"})
        QTest::newRow(title) << QString::fromUtf8(title) << QString::fromUtf8(title);
    QTest::newRow("no title of its own") << QString() << ProgramTitle;
}

void TestDesktop::messageBoxTitles()
{
    QFETCH(QString, title);
    QFETCH(QString, shown);
    form1 window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // Read while the box is up, then answer it; give up after a few seconds rather than hang.
    QString seen;
    int polls = 0;
    QTimer poll;
    poll.setInterval(50);
    connect(&poll, &QTimer::timeout, &poll, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen = windowManagerTitle(box);
        if (seen == shown || ++polls > 100)
            box->button(QMessageBox::Ok)->click();
    });
    poll.start();
    MsgBox::show(&window, QStringLiteral("text"), title, MsgBox::Buttons::OkCancel);

    QCOMPARE(seen, shown);
}

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"

// What only a real window system shows, read back from the X server as a window manager reads it:
// the titles of the window and of the message boxes, and the identity that ties the window to its
// desktop entry. Qt's platform plugins, not QWidget, decide what reaches the window manager. Runs
// under xvfb-run on Qt's xcb platform.

#include "AppSetup.h"
#include "Identity.h"
#include "MsgBox.h"
#include "form1.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileInfo>
#include <QFontMetrics>
#include <QMessageBox>
#include <QProcess>
#include <QTest>
#include <QTimer>

namespace {

// A property of the window as `xprop` prints it: NAME = "text" (or "a", "b" for a list).
QString windowProperty(const QWidget *window, const char *name)
{
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window->winId()),
                                          QStringLiteral("-notype"), QString::fromLatin1(name)});
    if (!xprop.waitForFinished(5000))
        return QStringLiteral("(xprop did not answer)");
    const QString line = QString::fromUtf8(xprop.readAllStandardOutput()).trimmed();
    const qsizetype open = line.indexOf(QLatin1Char('"'));
    if (open < 0 || !line.endsWith(QLatin1Char('"')))
        return QString();
    return line.mid(open + 1, line.size() - open - 2);
}

QString windowManagerTitle(const QWidget *window)
{
    return windowProperty(window, "_NET_WM_NAME");
}

// The value of one key of the desktop entry's main group.
QString desktopEntryValue(const QString &key)
{
    QFile entry(QStringLiteral(QUORVEL_DESKTOP_ENTRY));
    if (!entry.open(QIODevice::ReadOnly))
        return QStringLiteral("(no desktop entry)");
    const QStringList lines = QString::fromUtf8(entry.readAll()).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (line.startsWith(key + QLatin1Char('=')))
            return line.mid(key.size() + 1).trimmed();
    }
    return QString();
}

} // namespace

class TestDesktop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void windowCaption();
    void desktopEntryIdentity();
    void messageBoxTitles_data();
    void messageBoxTitles();
    void messageBoxButtonsCarryNoGlyphs();
    void platformForSession_data();
    void platformForSession();
};

void TestDesktop::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    setUpApplication(*qApp); // as the program starts: whatever it sets on the application counts
}

void TestDesktop::windowCaption()
{
    form1 window(Endpoints{QStringLiteral("http://t.example.test"), QStringLiteral("https://www.example.test"),
                           QStringLiteral("http://p.example.test"), QStringLiteral("12345678")});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QTRY_COMPARE(windowManagerTitle(&window), QStringLiteral("Quorvel快递查询软件2015版本-官方网址：www.example.test"));
}

// Docks and task switchers find the launcher and its icon through the Wayland app_id (the desktop
// file name) or, on X11, through the class of WM_CLASS matched against StartupWMClass.
void TestDesktop::desktopEntryIdentity()
{
    QCOMPARE(QGuiApplication::desktopFileName() + QStringLiteral(".desktop"),
             QFileInfo(QStringLiteral(QUORVEL_DESKTOP_ENTRY)).fileName());

    form1 window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QString windowClass = windowProperty(&window, "WM_CLASS"); // instance", "class
    QCOMPARE(windowClass.section(QStringLiteral("\", \""), 1), desktopEntryValue(QStringLiteral("StartupWMClass")));
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
    int width = 0;
    int widthForTitle = 0;
    int polls = 0;
    QTimer poll;
    poll.setInterval(50);
    connect(&poll, &QTimer::timeout, &poll, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen = windowManagerTitle(box);
        width = box->width();
        // Title bars here centre the title, in a bold face of 14 px, between the window icon and up to
        // three buttons of some 24 px: room for the buttons on both sides, or the title is cut off.
        QFont titleFont = box->font();
        titleFont.setPixelSize(14);
        titleFont.setBold(true);
        widthForTitle = QFontMetrics(titleFont).horizontalAdvance(shown) + 2 * 3 * 24;
        if (seen == shown || ++polls > 100)
            box->button(QMessageBox::Ok)->click();
    });
    poll.start();
    MsgBox::show(&window, QStringLiteral("text"), title, MsgBox::Buttons::OkCancel);

    QCOMPARE(seen, shown);
    QVERIFY2(width >= widthForTitle,
             qPrintable(QStringLiteral("%1 px wide, its title needs %2").arg(width).arg(widthForTitle)));
}

// The original's boxes have plain text buttons; Linux's desktop themes ask Qt for a glyph on 确定
// and 取消.
void TestDesktop::messageBoxButtonsCarryNoGlyphs()
{
    QStringList buttons;
    QStringList withGlyphs;
    QTimer poll;
    poll.setInterval(20);
    connect(&poll, &QTimer::timeout, &poll, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        poll.stop();
        for (const QAbstractButton *button : box->buttons()) {
            buttons << button->text();
            if (!button->icon().isNull())
                withGlyphs << button->text();
        }
        box->button(QMessageBox::Ok)->click();
    });
    poll.start();
    MsgBox::show(nullptr, QStringLiteral("text"), QString(), MsgBox::Buttons::OkCancel);

    QCOMPARE(buttons.size(), 2);
    QCOMPARE(withGlyphs, QStringList());
}

void TestDesktop::platformForSession_data()
{
    QTest::addColumn<bool>("chosen");
    QTest::addColumn<bool>("wayland");
    QTest::addColumn<bool>("decorates");
    QTest::addColumn<bool>("x11");
    QTest::addColumn<QByteArray>("platform");
    const QByteArray qtsChoice;
    const QByteArray xwayland("xcb;wayland");
    QTest::newRow("Wayland without title bars, Xwayland there") << false << true << false << true << xwayland;
    QTest::newRow("Wayland without title bars, no Xwayland") << false << true << false << false << qtsChoice;
    QTest::newRow("Wayland drawing title bars") << false << true << true << true << qtsChoice;
    QTest::newRow("X11 session") << false << false << false << true << qtsChoice;
    QTest::newRow("the user's own choice") << true << true << false << true << qtsChoice;
}

void TestDesktop::platformForSession()
{
    QFETCH(bool, chosen);
    QFETCH(bool, wayland);
    QFETCH(bool, decorates);
    QFETCH(bool, x11);
    Platform::DesktopSession session;
    session.platformChosen = chosen;
    session.wayland = wayland;
    session.compositorDecorates = decorates;
    session.x11 = x11;
    QTEST(preferredPlatform(session), "platform");
}

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"

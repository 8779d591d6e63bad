// What a Wayland compositor receives: the app_id that ties the window to its desktop entry and the
// titles, read from the protocol log (WAYLAND_DEBUG) of a child process on a headless weston, and
// what the program learns from the compositor before it picks a platform. Skipped where weston or
// Qt's Wayland platform is not installed.

#include "AppSetup.h"
#include "Endpoints.h"
#include "Identity.h"
#include "MsgBox.h"
#include "form1.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <cstring>

namespace {

constexpr char ChildArgument[] = "--show-on-wayland";

// The child: the window and one message box as the program shows them, then gone.
int showOnWayland(int argc, char **argv)
{
    QApplication app(argc, argv);
    setUpApplication(app);
    form1 window(Endpoints{QStringLiteral("http://t.example.test"), QStringLiteral("https://www.example.test"),
                           QStringLiteral("http://p.example.test"), QStringLiteral("12345678")});
    window.show();
    if (!QTest::qWaitForWindowExposed(&window, 5000))
        return 2;
    QTimer answer;
    answer.setInterval(50);
    QObject::connect(&answer, &QTimer::timeout, &answer, [] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            if (box->windowHandle() && box->windowHandle()->isExposed())
                box->button(QMessageBox::Ok)->click();
        }
    });
    answer.start();
    MsgBox::show(&window, QStringLiteral("请输入快递单号"), QStringLiteral("系统提示"));
    MsgBox::show(&window, QStringLiteral("text"));
    return 0;
}

} // namespace

class TestWayland : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void compositorAsked();
    void whatTheCompositorReceives_data();
    void whatTheCompositorReceives();

private:
    QProcess m_weston;
    QString m_socket;
    QString m_protocolLog;
};

void TestWayland::initTestCase()
{
    const QString weston = QStandardPaths::findExecutable(QStringLiteral("weston"));
    if (weston.isEmpty())
        QSKIP("weston is not installed");
    if (!QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                           QStringLiteral("/platforms/libqwayland-generic.so")))
        QSKIP("Qt's Wayland platform (qt6-wayland) is not installed");
    QVERIFY(qEnvironmentVariableIsSet("XDG_RUNTIME_DIR"));

    m_socket = QStringLiteral("quorvel-test-%1").arg(QCoreApplication::applicationPid());
    m_weston.setProcessChannelMode(QProcess::MergedChannels);
    m_weston.setStandardOutputFile(QProcess::nullDevice());
    m_weston.start(weston, {QStringLiteral("--backend=headless-backend.so"), QStringLiteral("--socket=") + m_socket,
                            QStringLiteral("--idle-time=0")});
    QVERIFY(m_weston.waitForStarted(5000));
    const QString socketPath = qEnvironmentVariable("XDG_RUNTIME_DIR") + QLatin1Char('/') + m_socket;
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(socketPath), 5000);

    // One child run serves every row.
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    env.insert(QStringLiteral("WAYLAND_DISPLAY"), m_socket);
    env.insert(QStringLiteral("WAYLAND_DEBUG"), QStringLiteral("1"));
    // In the sanitizer build: Qt's Wayland plugin leaves its connection's objects to the end of the
    // process (and is unloaded before the leak check can name it); the child is here for its protocol
    // log, not its memory.
    if (env.contains(QStringLiteral("ASAN_OPTIONS")))
        env.insert(QStringLiteral("ASAN_OPTIONS"),
                   env.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":detect_leaks=0"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(ChildArgument)});
    QVERIFY(child.waitForFinished(10000));
    m_protocolLog = QString::fromUtf8(child.readAllStandardError());
    QCOMPARE(child.exitCode(), 0);
}

void TestWayland::cleanupTestCase()
{
    if (m_weston.state() != QProcess::NotRunning) {
        m_weston.terminate();
        if (!m_weston.waitForFinished(5000))
            m_weston.kill();
    }
}

// weston draws no title bars for Wayland windows, and the program finds that out before Qt starts.
void TestWayland::compositorAsked()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    const QByteArray display = qgetenv("WAYLAND_DISPLAY");
    qunsetenv("QT_QPA_PLATFORM");
    qputenv("WAYLAND_DISPLAY", m_socket.toUtf8());
    char name[] = "quorvel";
    char *argv[] = {name, nullptr};
    const Platform::DesktopSession session = Platform::probeDesktopSession(1, argv);
    qputenv("QT_QPA_PLATFORM", platform);
    qputenv("WAYLAND_DISPLAY", display);

    QVERIFY(!session.platformChosen);
    QVERIFY(session.wayland);
    QVERIFY(!session.compositorDecorates);
}

void TestWayland::whatTheCompositorReceives_data()
{
    QTest::addColumn<QString>("request");
    QTest::newRow("app_id: the desktop entry") << QStringLiteral("set_app_id(\"io.github.quorvel.Quorvel\")");
    QTest::newRow("the caption, exact") << QStringLiteral(
        "set_title(\"Quorvel快递查询软件2015版本-官方网址：www.example.test\")");
    QTest::newRow("a box's own title, exact") << QStringLiteral("set_title(\"系统提示\")");
    QTest::newRow("the program title on a box without one") << QStringLiteral("set_title(\"%1\")").arg(ProgramTitle);
}

void TestWayland::whatTheCompositorReceives()
{
    QFETCH(QString, request);
    QVERIFY2(m_protocolLog.contains(request), qPrintable(request));
}

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], ChildArgument) == 0)
        return showOnWayland(1, argv);
    QApplication app(argc, argv);
    TestWayland test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_wayland.moc"

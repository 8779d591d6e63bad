// The notification-area icon, minimise and exit, and the two link labels of the main window.

#include "GuiTestSupport.h"
#include "Module3.h"
#include "WindowFont.h"
#include "form1.h"

#include <QApplication>
#include <QLabel>
#include <QLoggingCategory>
#include <QPixmap>
#include <QPushButton>
#include <QScopeGuard>
#include <QSystemTrayIcon>
#include <QTest>
#include <memory>
#include <optional>
#include <tuple>

Q_DECLARE_METATYPE(std::optional<bool>)
Q_DECLARE_METATYPE(MsgBox::Answer)

namespace {
const QString ExitQuestion = QStringLiteral("您确定退出程序吗？建议缩小到后台方便下次查询哦。");
const QString ExitTitle = QStringLiteral("退出确认");
const QString Tip = QStringLiteral("Quorvel快递查询软件2015");

QIcon solidIcon(const QColor &colour)
{
    QPixmap picture(32, 32);
    picture.fill(colour);
    return QIcon(picture);
}

std::unique_ptr<form1> shownWindow()
{
    auto window = std::make_unique<form1>(
        Endpoints{"http://example.test", "http://example.test", "http://provider.test", "12345678"});
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        return nullptr;
    return window;
}

float twips(const QWidget &window, int pixels)
{
    return float(pixels) * twipsPerPixelX(&window);
}

bool isBold(const form1 &window, const char *label)
{
    return control<QLabel>(&window, label)->font().bold();
}

auto fields(const NotifyIconData &record)
{
    return std::make_tuple(record.cbSize, record.hWnd.data(), record.uID, record.uFlags, record.uCallbackMessage,
                           record.hIcon.cacheKey(), record.szTip);
}

// Stands in for the session manager, which a test cannot make.
class FakeSessionEnd : public form1::SessionEnd
{
public:
    explicit FakeSessionEnd(bool interactionAllowed) : m_interactionAllowed(interactionAllowed) {}
    bool allowsInteraction() override { return m_interactionAllowed; }
    void cancel() override { cancelled = true; }
    void release() override {}

    bool cancelled = false;

private:
    bool m_interactionAllowed;
};

// Counts the times a window is raised.
class RaiseCounter : public QObject
{
public:
    explicit RaiseCounter(QWidget *window) { window->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        count += event->type() == QEvent::ZOrderChange ? 1 : 0;
        return false;
    }
};

bool iconUp(form1 &window)
{
    return notifyIconOf(&window, window.windowIcon().cacheKey());
}
} // namespace

class TestTray : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void minimiseFillsRecordThenHidesOrMinimises_data();
    void minimiseFillsRecordThenHidesOrMinimises();
    void minimiseRestoreMinimiseAgain();
    void iconEventsRestoreOnlyOnButtonReleases_data();
    void iconEventsRestoreOnlyOnButtonReleases();
    void clicksOnTheIconReachTheWindow_data();
    void clicksOnTheIconReachTheWindow();
    void pointerOnTheBareSurfaceAtAnIconEventNumber_data();
    void pointerOnTheBareSurfaceAtAnIconEventNumber();
    void restoreLeavesAVisibleWindowWhereItIs_data();
    void restoreLeavesAVisibleWindowWhereItIs();
    void closeRequestAsks_data();
    void closeRequestAsks();
    void everyCloseRequestAsksAgain();
    void sessionEnd_data();
    void sessionEnd();
    void notifyIconLayer_data();
    void notifyIconLayer();
    void linkLabelHover_data();
    void linkLabelHover();
    void linkLabelsShowAPointingHand_data();
    void linkLabelsShowAPointingHand();
};

void TestTray::initTestCase()
{
    // Offscreen Qt complains, once per icon, that it cannot watch for a notification area moving.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.core.qobject.connect=false"));

    // The program gives its window the application's icon; so do the tests.
    QApplication::setWindowIcon(solidIcon(Qt::red));
}

void TestTray::init()
{
    setNotificationAreaAvailableForTesting(std::nullopt);
}

void TestTray::cleanup()
{
    setNotificationAreaAvailableForTesting(std::nullopt);
}

void TestTray::minimiseFillsRecordThenHidesOrMinimises_data()
{
    QTest::addColumn<std::optional<bool>>("notificationArea");
    QTest::addColumn<bool>("windowHasIcon");
    QTest::addColumn<bool>("hidden");

    QTest::newRow("the desktop's own notification area (none offscreen): minimised")
        << std::optional<bool>() << true << false;
    QTest::newRow("no notification area: minimised, not hidden") << std::optional<bool>(false) << true << false;
    QTest::newRow("notification area: hidden with icon") << std::optional<bool>(true) << true << true;
    QTest::newRow("icon cannot be added (no picture): minimised") << std::optional<bool>(true) << false << false;
}

void TestTray::minimiseFillsRecordThenHidesOrMinimises()
{
    QFETCH(std::optional<bool>, notificationArea);
    QFETCH(bool, windowHasIcon);
    QFETCH(bool, hidden);
    if (!notificationArea && QSystemTrayIcon::isSystemTrayAvailable())
        QSKIP("this desktop has a notification area");

    const QIcon applicationIcon = QApplication::windowIcon();
    if (!windowHasIcon)
        QApplication::setWindowIcon(QIcon());
    const auto restoreIcon = qScopeGuard([&] { QApplication::setWindowIcon(applicationIcon); });
    setNotificationAreaAvailableForTesting(notificationArea);
    auto window = shownWindow();
    QVERIFY(window);

    QTest::mouseClick(control<QPushButton>(window.get(), "Command4"), Qt::LeftButton);

    const qint64 icon = windowHasIcon ? window->windowIcon().cacheKey() : 0;
    QVERIFY(!windowHasIcon || icon != 0);
    QCOMPARE(fields(TrayIconData), std::make_tuple(88, static_cast<QWidget *>(window.get()), icon, 7, 512, icon, Tip));

    QSystemTrayIcon *shown = notifyIconOf(TrayIconData.hWnd, TrayIconData.uID);
    QCOMPARE(shown != nullptr, hidden);
    QCOMPARE(window->isVisible(), !hidden);
    QCOMPARE(window->isMinimized(), !hidden);
    if (shown) {
        QVERIFY(shown->isVisible());
        QCOMPARE(shown->toolTip(), Tip);
        QVERIFY(shown->contextMenu() == nullptr); // a menu would swallow the right button
    }
}

void TestTray::minimiseRestoreMinimiseAgain()
{
    setNotificationAreaAvailableForTesting(true);
    auto window = shownWindow();
    QVERIFY(window);

    window->Command4_Click();
    const NotifyIconData first = TrayIconData;
    window->Form_MouseMove(0, 0, twips(*window, 514), 0);
    QVERIFY(window->isVisible());
    QVERIFY(!iconUp(*window));

    TrayIconData = NotifyIconData{}; // each minimise writes every field afresh
    window->Command4_Click();
    QVERIFY(!window->isVisible());
    QVERIFY(iconUp(*window));
    QVERIFY(fields(TrayIconData) == fields(first));
}

void TestTray::iconEventsRestoreOnlyOnButtonReleases_data()
{
    QTest::addColumn<int>("message");
    QTest::addColumn<bool>("restores");

    QTest::newRow("512 pointer moves over the icon") << 512 << false;
    QTest::newRow("514 left button released") << 514 << true;
    QTest::newRow("515 left double click") << 515 << false;
    QTest::newRow("517 right button released") << 517 << true;
    QTest::newRow("520 middle button released") << 520 << false;
}

void TestTray::iconEventsRestoreOnlyOnButtonReleases()
{
    QFETCH(int, message);
    QFETCH(bool, restores);
    setNotificationAreaAvailableForTesting(true);
    auto window = shownWindow();
    QVERIFY(window);
    window->Label3_MouseMove(0, 0, 0, 0);
    window->Label5_MouseMove(0, 0, 0, 0);
    window->Command4_Click();
    QVERIFY(!window->isVisible());

    window->Form_MouseMove(0, 0, twips(*window, message), 0);

    QCOMPARE(window->isVisible(), restores);
    QCOMPARE(iconUp(*window), !restores);
    // Whatever the event, the hover effect of the link labels ends.
    QVERIFY(!isBold(*window, "Label3"));
    QVERIFY(!isBold(*window, "Label5"));
}

void TestTray::clicksOnTheIconReachTheWindow_data()
{
    QTest::addColumn<QSystemTrayIcon::ActivationReason>("reason");
    QTest::addColumn<bool>("restores");

    QTest::newRow("left click") << QSystemTrayIcon::Trigger << true;
    QTest::newRow("right click") << QSystemTrayIcon::Context << true;
    QTest::newRow("double click") << QSystemTrayIcon::DoubleClick << false;
    QTest::newRow("middle click") << QSystemTrayIcon::MiddleClick << false;
}

void TestTray::clicksOnTheIconReachTheWindow()
{
    QFETCH(QSystemTrayIcon::ActivationReason, reason);
    QFETCH(bool, restores);
    setNotificationAreaAvailableForTesting(true);
    auto window = shownWindow();
    QVERIFY(window);
    window->Command4_Click();
    QSystemTrayIcon *icon = notifyIconOf(TrayIconData.hWnd, TrayIconData.uID);
    QVERIFY(icon);

    emit icon->activated(reason);
    QVERIFY(!window->isVisible()); // the event is posted, as the platform's callback message is
    QCoreApplication::sendPostedEvents(window.get());

    QCOMPARE(window->isVisible(), restores);
    QCOMPARE(iconUp(*window), !restores);
}

void TestTray::pointerOnTheBareSurfaceAtAnIconEventNumber_data()
{
    QTest::addColumn<int>("x");
    QTest::newRow("514") << 514;
    QTest::newRow("517") << 517;
}

void TestTray::pointerOnTheBareSurfaceAtAnIconEventNumber()
{
    QFETCH(int, x);
    setNotificationAreaAvailableForTesting(true);
    auto window = shownWindow();
    QVERIFY(window);
    const QPoint bare(x, 5);
    QVERIFY(!window->childAt(bare));
    window->Label3_MouseMove(0, 0, 0, 0);
    QVERIFY(isBold(*window, "Label3"));

    QTest::mouseMove(window.get(), bare);

    QTRY_VERIFY(!isBold(*window, "Label3")); // the move did reach the handler
    QVERIFY(window->isVisible());
    QVERIFY(!window->isMinimized());
    QVERIFY(!iconUp(*window));
}

void TestTray::restoreLeavesAVisibleWindowWhereItIs_data()
{
    QTest::addColumn<int>("message");
    QTest::newRow("514 left button released") << 514;
    QTest::newRow("517 right button released") << 517;
}

// The restore's "show" must not pull an already visible window in front of the user's work.
void TestTray::restoreLeavesAVisibleWindowWhereItIs()
{
    QFETCH(int, message);
    setNotificationAreaAvailableForTesting(true);
    auto window = shownWindow();
    QVERIFY(window);
    QWidget other;
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    RaiseCounter raises(window.get());

    window->Form_MouseMove(0, 0, twips(*window, message), 0);
    QCoreApplication::processEvents();

    QVERIFY(window->isVisible());
    QCOMPARE(QApplication::activeWindow(), &other);
    QCOMPARE(raises.count, 0);
}

void TestTray::closeRequestAsks_data()
{
    QTest::addColumn<bool>("hiddenWithIcon");
    QTest::addColumn<bool>("areaStays"); // the notification area is still there at the answer
    QTest::addColumn<MsgBox::Answer>("answer");
    QTest::addColumn<bool>("ends");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<bool>("minimised");
    QTest::addColumn<bool>("iconAfter");

    QTest::newRow("shown, OK ends the program") << false << true << MsgBox::Ok << true << true << false << false;
    QTest::newRow("shown, Cancel keeps the window")
        << false << true << MsgBox::Cancel << false << true << false << false;
    QTest::newRow("hidden, OK ends the program") << true << true << MsgBox::Ok << true << false << false << false;
    QTest::newRow("hidden, Cancel puts the icon back")
        << true << true << MsgBox::Cancel << false << false << false << true;
    QTest::newRow("hidden, notification area gone, Cancel shows the window minimised")
        << true << false << MsgBox::Cancel << false << true << true << false;
}

void TestTray::closeRequestAsks()
{
    QFETCH(bool, hiddenWithIcon);
    QFETCH(bool, areaStays);
    QFETCH(MsgBox::Answer, answer);
    QFETCH(bool, ends);
    QFETCH(bool, visible);
    QFETCH(bool, minimised);
    QFETCH(bool, iconAfter);
    setNotificationAreaAvailableForTesting(true);
    auto window = shownWindow();
    QVERIFY(window);
    if (hiddenWithIcon) {
        window->Command4_Click();
        QVERIFY(iconUp(*window));
    }
    setNotificationAreaAvailableForTesting(areaStays);

    EndRecorder end;
    MessageBoxRecorder boxes(answer);
    std::optional<bool> iconDuringQuestion;
    boxes.duringShow = [&] { iconDuringQuestion = iconUp(*window); };
    bool keptOpen = false;
    if (hiddenWithIcon) {
        // A hidden window hears close requests only from the session.
        int cancel = 0;
        window->Form_QueryUnload(cancel, 2);
        QVERIFY(cancel == 0 || cancel == -1);
        keptOpen = cancel == -1;
    } else {
        keptOpen = !window->close();
    }

    QCOMPARE(boxes.shown.size(), 1);
    QCOMPARE(boxes.shown[0].text, ExitQuestion);
    QCOMPARE(boxes.shown[0].title, ExitTitle);
    QCOMPARE(boxes.shown[0].buttons, MsgBox::Buttons::OkCancel);
    QCOMPARE(iconDuringQuestion, std::optional<bool>(false)); // taken down before asking
    QCOMPARE(end.count, ends ? 1 : 0);
    QCOMPARE(keptOpen, !ends);
    if (ends)
        return; // the program is gone; nothing of the window matters any more
    QCOMPARE(window->isVisible(), visible);
    QCOMPARE(window->isMinimized(), minimised);
    QCOMPARE(iconUp(*window), iconAfter);
}

void TestTray::everyCloseRequestAsksAgain()
{
    auto window = shownWindow();
    QVERIFY(window);
    EndRecorder end;
    MessageBoxRecorder boxes(MsgBox::Cancel);

    QVERIFY(!window->close());
    QVERIFY(!window->close());
    boxes.setAnswer(MsgBox::Ok);
    window->close();

    QCOMPARE(boxes.shown.size(), 3);
    for (const ShownMessage &shown : boxes.shown)
        QCOMPARE(shown.text, ExitQuestion);
    QCOMPARE(end.count, 1);
}

void TestTray::sessionEnd_data()
{
    QTest::addColumn<bool>("interactionAllowed");
    QTest::addColumn<MsgBox::Answer>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("ends");
    QTest::addColumn<bool>("sessionCancelled");

    QTest::newRow("no leave to interact: no question, the session goes on ending")
        << false << MsgBox::Ok << false << false << false;
    QTest::newRow("OK ends the program") << true << MsgBox::Ok << true << true << false;
    QTest::newRow("Cancel cancels the end of the session") << true << MsgBox::Cancel << true << false << true;
}

void TestTray::sessionEnd()
{
    QFETCH(bool, interactionAllowed);
    QFETCH(MsgBox::Answer, answer);
    QFETCH(bool, asked);
    QFETCH(bool, ends);
    QFETCH(bool, sessionCancelled);
    auto window = shownWindow();
    QVERIFY(window);
    EndRecorder end;
    MessageBoxRecorder boxes(answer);
    FakeSessionEnd session(interactionAllowed);

    window->sessionEnding(session);

    QCOMPARE(boxes.shown.size(), asked ? 1 : 0);
    if (asked)
        QCOMPARE(boxes.shown[0].text, ExitQuestion);
    QCOMPARE(end.count, ends ? 1 : 0);
    QCOMPARE(session.cancelled, sessionCancelled);
    if (!ends)
        QVERIFY(window->isVisible());
}

void TestTray::notifyIconLayer_data()
{
    QTest::addColumn<QList<int>>("messages"); // sent in turn with one record
    QTest::addColumn<QList<bool>>("results");

    QTest::newRow("delete before any add") << QList<int>{NIM_DELETE} << QList<bool>{false};
    QTest::newRow("add, add again: the second fails") << QList<int>{NIM_ADD, NIM_ADD} << QList<bool>{true, false};
    QTest::newRow("add, delete, delete again: gone for good")
        << QList<int>{NIM_ADD, NIM_DELETE, NIM_DELETE} << QList<bool>{true, true, false};
    QTest::newRow("add, delete, add: up again")
        << QList<int>{NIM_ADD, NIM_DELETE, NIM_ADD} << QList<bool>{true, true, true};
}

void TestTray::notifyIconLayer()
{
    QFETCH(QList<int>, messages);
    QFETCH(QList<bool>, results);
    setNotificationAreaAvailableForTesting(true);
    QWidget window;
    NotifyIconData record;
    record.cbSize = NotifyIconDataSize;
    record.hWnd = &window;
    record.uID = 7;
    record.uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE;
    record.uCallbackMessage = WM_MOUSEMOVE;
    record.hIcon = solidIcon(Qt::blue);
    record.szTip = QStringLiteral("tip");

    QList<bool> actual;
    for (int message : messages)
        actual << Shell_NotifyIconA(message, &record);
    QCOMPARE(actual, results);
    QSystemTrayIcon *icon = notifyIconOf(record.hWnd, record.uID);
    QCOMPARE(icon != nullptr, messages.last() == NIM_ADD);
    if (icon)
        QCOMPARE(icon->toolTip(), QStringLiteral("tip"));
    const NotifyIconData zero;
    QVERIFY(!Shell_NotifyIconA(NIM_DELETE, &zero)); // the record before any minimise names nothing
    QCOMPARE(notifyIconOf(record.hWnd, record.uID), icon);
}

void TestTray::linkLabelHover_data()
{
    // Steps: a control's name (a real pointer move onto it), "drag:<control>" (a move with the left
    // button held), "bare" (the window's own surface), "outside" (off the window), "click:<label>"
    // (a real click), "dclick:<label>" (a double click), "call:<label>" (the click handler).
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<bool>("label3Bold");
    QTest::addColumn<bool>("label5Bold");
    QTest::addColumn<QStringList>("opened");

    QTest::newRow("label, its sentence label, outside: stays bold")
        << QStringList{"Label3", "Label2", "outside"} << true << false << QStringList{};
    QTest::newRow("label onto its neighbour label: stays bold")
        << QStringList{"Label5", "Label9", "outside"} << false << true << QStringList{};
    QTest::newRow("label to label: both bold") << QStringList{"Label3", "Label5"} << true << true << QStringList{};
    QTest::newRow("label, other controls: stays bold")
        << QStringList{"Label3", "List1", "Frame1", "Command4"} << true << false << QStringList{};
    QTest::newRow("label, a drag over its sentence label: stays bold")
        << QStringList{"Label3", "drag:Label2"} << true << false << QStringList{};
    QTest::newRow("bare surface ends both")
        << QStringList{"Label3", "Label5", "bare"} << false << false << QStringList{};
    QTest::newRow("bold again after the bare surface")
        << QStringList{"Label5", "bare", "Label5"} << false << true << QStringList{};
    QTest::newRow("click on the provider's label opens its page, stays bold")
        << QStringList{"Label3", "click:Label3"} << true << false << QStringList{"http://provider.test"};
    QTest::newRow("click on the maker's label opens its page, stays bold")
        << QStringList{"Label5", "click:Label5"} << false << true << QStringList{"http://example.test"};
    QTest::newRow("double click on the provider's label opens its page once")
        << QStringList{"dclick:Label3"} << true << false << QStringList{"http://provider.test"};
    QTest::newRow("double click on the maker's label opens its page once")
        << QStringList{"dclick:Label5"} << false << true << QStringList{"http://example.test"};
    QTest::newRow("two clicks apart open it twice") << QStringList{"click:Label5", "click:Label5"} << false << false
                                                    << QStringList{"http://example.test", "http://example.test"};
    QTest::newRow("a click changes no weight") << QStringList{"call:Label3", "call:Label5"} << false << false
                                               << QStringList{"http://provider.test", "http://example.test"};
}

void TestTray::linkLabelHover()
{
    QFETCH(QStringList, steps);
    QFETCH(bool, label3Bold);
    QFETCH(bool, label5Bold);
    QFETCH(QStringList, opened);
    auto window = shownWindow();
    QVERIFY(window);
    OpenedUrls urls;

    for (const QString &step : steps) {
        if (step == QLatin1String("bare")) {
            const QPoint bare(514, 5);
            QVERIFY(!window->childAt(bare));
            QTest::mouseMove(window.get(), bare);
        } else if (step == QLatin1String("outside")) {
            QTest::mouseMove(window.get(), QPoint(window->width() + 50, window->height() + 50));
        } else if (step.startsWith(QLatin1String("click:"))) {
            QTest::mouseClick(control<QWidget>(window.get(), qPrintable(step.mid(6))), Qt::LeftButton);
        } else if (step.startsWith(QLatin1String("dclick:"))) {
            // Through the window system's path, where Qt makes press, release, press, release into a
            // double click as it does for a real mouse.
            const QWidget *label = control<QWidget>(window.get(), qPrintable(step.mid(7)));
            QTest::mouseDClick(window->windowHandle(), Qt::LeftButton, {},
                               label->mapTo(window.get(), label->rect().center()));
        } else if (step == QLatin1String("call:Label3")) {
            window->Label3_Click();
        } else if (step == QLatin1String("call:Label5")) {
            window->Label5_Click();
        } else {
            const bool drag = step.startsWith(QLatin1String("drag:"));
            const QString name = drag ? step.mid(5) : step;
            QWidget *target = control<QWidget>(window.get(), qPrintable(name));
            QVERIFY2(target, qPrintable(step));
            // A spot of the control that no other control covers.
            QPoint spot = target->rect().center();
            if (name == QLatin1String("Label2") || name == QLatin1String("Label9"))
                spot = QPoint(3, target->height() / 2);
            QWidget *hit = window->childAt(target->mapTo(window.get(), spot));
            QVERIFY2(hit == target || target->isAncestorOf(hit), qPrintable(step));
            if (drag) {
                // The control ignores the drag and Qt hands the moves on to the window.
                QTest::mousePress(target, Qt::LeftButton, {}, spot);
                QTest::mouseMove(target, spot + QPoint(2, 0));
                QTest::mouseRelease(target, Qt::LeftButton, {}, spot + QPoint(2, 0));
            } else {
                QTest::mouseMove(target, spot);
            }
        }
        QCoreApplication::processEvents();
    }

    QCOMPARE(isBold(*window, "Label3"), label3Bold);
    QCOMPARE(isBold(*window, "Label5"), label5Bold);
    QStringList openedNow;
    for (const QUrl &url : urls.urls)
        openedNow << url.toString();
    QCOMPARE(openedNow, opened);
    // Bold or not, each label is wide enough for its text.
    for (const char *name : {"Label3", "Label5"}) {
        const auto *label = control<QLabel>(window.get(), name);
        QVERIFY2(label->width() >= label->sizeHint().width(), name);
    }
}

void TestTray::linkLabelsShowAPointingHand_data()
{
    QTest::addColumn<QString>("label");
    QTest::newRow("Label3") << "Label3";
    QTest::newRow("Label5") << "Label5";
}

void TestTray::linkLabelsShowAPointingHand()
{
    QFETCH(QString, label);
    auto window = shownWindow();
    QVERIFY(window);
    QCOMPARE(control<QLabel>(window.get(), qPrintable(label))->cursor().shape(), Qt::PointingHandCursor);
}

QTEST_MAIN(TestTray)
#include "tst_tray.moc"

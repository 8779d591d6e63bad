// The History list's menu: opening it, deleting a line, and re-running a line's query.

#include "GuiTestSupport.h"
#include "TrackingProtocol.h"
#include "form1.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <memory>

namespace {
// One event whose context names the courier code and number the service was asked for.
TestHttpServer::Response echoAnswer(const TestHttpServer::Request &request)
{
    const auto sent = TrackingProtocol::readTrackingRequest(request.path, request.query);
    const QString com = sent ? sent->courierCode : QString();
    const QString nu = sent ? sent->number : QString();
    return TestHttpServer::text(
        QStringLiteral(R"({"data":[{"time":"2015-06-01 08:00:00","context":"%1|%2"}]})").arg(com, nu).toUtf8());
}

// Waits for the popup menu that the next action opens, notes its items and then, like a user,
// either chooses `choice` or dismisses the menu (empty choice).
class MenuDriver
{
public:
    explicit MenuDriver(const QString &choice = QString())
    {
        m_poll.setInterval(5);
        QObject::connect(&m_poll, &QTimer::timeout, [this, choice] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            if (!menu)
                return;
            m_poll.stop();
            for (QAction *action : menu->actions())
                items << action->text();
            QAction *chosen = nullptr;
            for (QAction *action : menu->actions())
                chosen = action->text() == choice ? action : chosen;
            if (chosen) {
                menu->setActiveAction(chosen);
                QTest::keyClick(menu, Qt::Key_Return);
            } else {
                menu->close();
            }
        });
        m_poll.start();
    }

    QStringList items; // empty when no menu opened

private:
    QTimer m_poll;
};
} // namespace

class TestHistory : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void rightPressOpensTheMenuWithoutSelecting();
    void otherButtonsOpenNoMenu_data();
    void otherButtonsOpenNoMenu();
    void menuKeysOpenTheMenu_data();
    void menuKeysOpenTheMenu();
    void commandsNeedASelectedLine_data();
    void commandsNeedASelectedLine();
    void deleteRemovesTheSelectedLineNotTheOneClicked();
    void commandsActOnTheSelectedLineNotTheCurrentOne_data();
    void commandsActOnTheSelectedLineNotTheCurrentOne();
    void deleteTheOnlyLine();
    void deleteOneOfTwoEqualLines();
    void requerySelectsTheEntrysCourier_data();
    void requerySelectsTheEntrysCourier();
    void requeryRestoresTheNumberExactly_data();
    void requeryRestoresTheNumberExactly();
    void requeryTwiceGivesTheSameResults();
    void requeryDuringAQuerysWait();

private:
    QListWidget *history() const { return control<QListWidget>(m_on.window.get(), "List2"); }
    QListWidget *results() const { return control<QListWidget>(m_on.window.get(), "List1"); }
    QRadioButton *courier(const QString &name) const
    {
        return control<QRadioButton>(m_on.window.get(), name.toLatin1().constData());
    }
    void query(const QString &courierName, const QString &number);
    // A right press over line `overRow` (or below the lines) and the menu's `choice`.
    QStringList useMenu(int overRow, const QString &choice);

    WindowOnTestServer m_on;
};

void TestHistory::init()
{
    QVERIFY(m_on.start(echoAnswer));
}

void TestHistory::cleanup()
{
    m_on.stop();
}

void TestHistory::query(const QString &courier, const QString &number)
{
    m_on.query(courier, number);
}

QStringList TestHistory::useMenu(int overRow, const QString &choice)
{
    const QPoint at = overRow < history()->count() ? history()->visualItemRect(history()->item(overRow)).center()
                                                   : QPoint(10, history()->viewport()->height() - 5);
    MenuDriver menu(choice);
    QTest::mousePress(history()->viewport(), Qt::RightButton, {}, at);
    QTest::mouseRelease(history()->viewport(), Qt::RightButton, {}, at);
    return menu.items;
}

void TestHistory::rightPressOpensTheMenuWithoutSelecting()
{
    history()->addItems({"a", "b", "c"});
    history()->setCurrentRow(2);

    QCOMPARE(useMenu(0, QString()), QStringList({"重新查询", "删除记录"}));
    QCOMPARE(history()->currentRow(), 2);
    QCOMPARE(history()->selectedItems(), QList<QListWidgetItem *>{history()->item(2)});

    history()->clear();
    QCOMPARE(useMenu(0, QString()), QStringList({"重新查询", "删除记录"})); // an empty list has the menu too
}

void TestHistory::otherButtonsOpenNoMenu_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::newRow("left") << Qt::LeftButton;
    QTest::newRow("middle") << Qt::MiddleButton;
}

void TestHistory::otherButtonsOpenNoMenu()
{
    QFETCH(Qt::MouseButton, button);
    history()->addItems({"a", "b"});

    MenuDriver menu;
    const QPoint at = history()->visualItemRect(history()->item(0)).center();
    QTest::mousePress(history()->viewport(), button, {}, at);
    QTest::mouseRelease(history()->viewport(), button, {}, at);
    // A menu opens inside the press or the release that asks for it, or from an event they post:
    // by the time a call queued after them has run, it would have come and been answered.
    bool inputHandled = false;
    QMetaObject::invokeMethod(
        history(), [&inputHandled] { inputHandled = true; }, Qt::QueuedConnection);
    QTRY_VERIFY(inputHandled);
    QVERIFY(menu.items.isEmpty());
    QCOMPARE(QApplication::activePopupWidget(), nullptr);
}

void TestHistory::menuKeysOpenTheMenu_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<bool>("opens");
    QTest::newRow("menu key") << int(Qt::Key_Menu) << Qt::KeyboardModifiers() << true;
    QTest::newRow("Shift+F10") << int(Qt::Key_F10) << Qt::KeyboardModifiers(Qt::ShiftModifier) << true;
    QTest::newRow("F10 alone: no menu") << int(Qt::Key_F10) << Qt::KeyboardModifiers() << false;
    QTest::newRow("Ctrl+Shift+F10: no menu")
        << int(Qt::Key_F10) << Qt::KeyboardModifiers(Qt::ControlModifier | Qt::ShiftModifier) << false;
}

void TestHistory::menuKeysOpenTheMenu()
{
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(bool, opens);
    const QStringList before{"时间: 10:00:00 公司:中通 单号:1", "时间: 10:00:01 公司:中通 单号:2"};
    history()->addItems(before);
    history()->setCurrentRow(1);
    history()->setFocus();

    MenuDriver menu(QStringLiteral("删除记录"));
    QTest::keyClick(history(), Qt::Key(key), modifiers); // an open menu is answered before this returns
    QCOMPARE(menu.items, opens ? QStringList({"重新查询", "删除记录"}) : QStringList());
    QCOMPARE(linesOf(history()), opens ? before.mid(0, 1) : before);
}

void TestHistory::commandsNeedASelectedLine_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("afterADelete"); // the selected line was deleted: nothing takes its place
    for (const bool afterADelete : {false, true}) {
        for (const char *command : {"重新查询", "删除记录"})
            QTest::addRow("%s%s", command, afterADelete ? " after 删除记录" : "") << command << afterADelete;
    }
}

void TestHistory::commandsNeedASelectedLine()
{
    QFETCH(QString, command);
    QFETCH(bool, afterADelete);
    QStringList kept{QStringLiteral("时间: 10:00:00 公司:中通 单号:123")};
    history()->addItems(kept);
    if (afterADelete) {
        kept << QStringLiteral("时间: 10:00:02 公司:中通 单号:789");
        history()->insertItem(1, QStringLiteral("时间: 10:00:01 公司:中通 单号:456"));
        history()->addItem(kept.last());
        history()->setCurrentRow(1);
        useMenu(1, QStringLiteral("删除记录"));
        QCOMPARE(linesOf(history()), kept);
        QCOMPARE(history()->currentItem(), nullptr);
    } else {
        history()->setCurrentRow(-1);
        history()->clearSelection();
    }
    courier("sure")->setChecked(true);
    control<QLineEdit>(m_on.window.get(), "Text2")->setText(QStringLiteral("kept"));
    results()->addItem(QStringLiteral("kept too"));

    useMenu(0, command);

    QCOMPARE(m_on.messages->shown.size(), 1);
    QCOMPARE(m_on.messages->shown.at(0).text, QStringLiteral("请选择一条记录来操作！"));
    QCOMPARE(m_on.messages->shown.at(0).title, QStringLiteral("Quorvel快递查询软件2015"));
    QCOMPARE(linesOf(history()), kept);
    QVERIFY(courier("sure")->isChecked());
    QCOMPARE(control<QLineEdit>(m_on.window.get(), "Text2")->text(), QStringLiteral("kept"));
    QCOMPARE(linesOf(results()), QStringList{"kept too"});
    QCOMPARE(m_on.server->requestCount(), 0);
}

void TestHistory::deleteRemovesTheSelectedLineNotTheOneClicked()
{
    history()->addItems({"one", "two", "three", "four"});
    history()->setCurrentRow(2);

    useMenu(0, QStringLiteral("删除记录"));

    QCOMPARE(linesOf(history()), QStringList({"one", "two", "four"}));
    QVERIFY(m_on.messages->shown.isEmpty());
}

void TestHistory::commandsActOnTheSelectedLineNotTheCurrentOne_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("throughAccessibility"); // as a screen reader selects; otherwise from code
    for (const char *command : {"删除记录", "重新查询"}) {
        QTest::addRow("%s, selected from code", command) << command << false;
        QTest::addRow("%s, selected through the accessibility interface", command) << command << true;
    }
}

// A selection need not move the current line (the focus frame): the commands follow the selection.
void TestHistory::commandsActOnTheSelectedLineNotTheCurrentOne()
{
    QFETCH(QString, command);
    QFETCH(bool, throughAccessibility);
    const QStringList entries{"时间: 10:00:00 公司:中通 单号:1", "时间: 10:00:01 公司:中通 单号:2",
                              "时间: 10:00:02 公司:中通 单号:3"};
    history()->addItems(entries);
    history()->setCurrentRow(0);
    if (throughAccessibility) {
        QAccessibleInterface *list = QAccessible::queryAccessibleInterface(history());
        QVERIFY(list && list->tableInterface());
        QVERIFY(list->tableInterface()->selectRow(2));
    } else {
        history()->selectionModel()->select(history()->model()->index(2, 0), QItemSelectionModel::ClearAndSelect);
    }
    QCOMPARE(history()->currentRow(), 0);
    QCOMPARE(history()->selectedItems(), QList<QListWidgetItem *>{history()->item(2)});

    useMenu(0, command);

    QVERIFY(m_on.messages->shown.isEmpty());
    if (command == QStringLiteral("删除记录")) {
        QCOMPARE(linesOf(history()), entries.mid(0, 2));
    } else {
        QCOMPARE(control<QLineEdit>(m_on.window.get(), "Text2")->text(), QStringLiteral("3"));
        QCOMPARE(linesOf(history()), entries); // a re-query adds no history line
    }
}

void TestHistory::deleteTheOnlyLine()
{
    results()->addItems({"r1", "r2"});
    history()->addItem(QStringLiteral("only"));
    history()->setCurrentRow(0);

    useMenu(0, QStringLiteral("删除记录"));

    QCOMPARE(history()->count(), 0);
    QCOMPARE(linesOf(results()), QStringList({"r1", "r2"}));
}

void TestHistory::deleteOneOfTwoEqualLines()
{
    history()->addItems({"same", "other", "same"});
    history()->setCurrentRow(2);

    useMenu(0, QStringLiteral("删除记录"));

    QCOMPARE(linesOf(history()), QStringList({"same", "other"}));
}

void TestHistory::requerySelectsTheEntrysCourier_data()
{
    QTest::addColumn<QString>("made");
    QTest::addColumn<QString>("code");
    QTest::newRow("新邦物流 (兴邦)") << "xinbang"
                                     << "xinbang";
    QTest::newRow("EMS (ems)") << "ems"
                               << "ems";
    QTest::newRow("E邮宝 (e邮宝)") << "eyoubao"
                                   << "eyoubao";
    QTest::newRow("邮政国内小包") << "gnxb"
                                  << "gnxb";
}

void TestHistory::requerySelectsTheEntrysCourier()
{
    QFETCH(QString, made);
    QFETCH(QString, code);

    query(made, QStringLiteral("N1"));
    query(QStringLiteral("sure"), QStringLiteral("OTHER"));
    history()->setCurrentRow(0);

    useMenu(0, QStringLiteral("重新查询"));

    QVERIFY(courier(made)->isChecked());
    QVERIFY(!courier(QStringLiteral("sure"))->isChecked());
    QCOMPARE(control<QLineEdit>(m_on.window.get(), "Text2")->text(), QStringLiteral("N1"));
    QCOMPARE(linesOf(results()), QStringList{"2015-06-01 08:00:00   " + code + "|N1"});
    QCOMPARE(history()->count(), 2);
    QCOMPARE(history()->currentRow(), 0);
}

void TestHistory::requeryRestoresTheNumberExactly_data()
{
    QTest::addColumn<QString>("number");
    QTest::newRow("blanks") << "  12 34  ";
    QTest::newRow("company marker inside") << "公司:中通";
    QTest::newRow("number marker inside") << "A 单号:B";
    QTest::newRow("long") << QString(300, QLatin1Char('7'));
}

void TestHistory::requeryRestoresTheNumberExactly()
{
    QFETCH(QString, number);

    query(QStringLiteral("yunda"), number);
    control<QLineEdit>(m_on.window.get(), "Text2")->setText(QStringLiteral("something else"));
    history()->setCurrentRow(0);

    useMenu(0, QStringLiteral("重新查询"));

    QCOMPARE(control<QLineEdit>(m_on.window.get(), "Text2")->text(), number);
    QCOMPARE(linesOf(results()), QStringList{"2015-06-01 08:00:00   yunda|" + number});
}

void TestHistory::requeryTwiceGivesTheSameResults()
{
    query(QStringLiteral("zhongtong"), QStringLiteral("Z9"));
    history()->setCurrentRow(0);

    useMenu(0, QStringLiteral("重新查询"));
    const QStringList first = linesOf(results());
    for (int again = 0; again < 3; ++again)
        useMenu(0, QStringLiteral("重新查询"));

    QCOMPARE(linesOf(results()), first);
    QCOMPARE(first.size(), 1);
    QCOMPARE(history()->count(), 1);
    QCOMPARE(m_on.server->requestCount(), 5);
}

void TestHistory::requeryDuringAQuerysWait()
{
    query(QStringLiteral("zhongtong"), QStringLiteral("OLD"));
    history()->setCurrentRow(0);
    m_on.server->setResponder([](const TestHttpServer::Request &request) {
        TestHttpServer::Response response = echoAnswer(request);
        response.held = request.query.contains("SLOW");
        return response;
    });
    m_on.server->whileHeld([this] { m_on.window->mnuedit1_Click(); });

    query(QStringLiteral("shentong"), QStringLiteral("SLOW"));

    QCOMPARE(linesOf(results()), QStringList{"2015-06-01 08:00:00   zhongtong|OLD"});
    QCOMPARE(history()->count(), 2);
    QVERIFY(history()->item(1)->text().endsWith(QStringLiteral("公司:申通 单号:SLOW")));
}

QTEST_MAIN(TestHistory)
#include "tst_history.moc"

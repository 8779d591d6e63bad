// The window as the user meets it before any query: focus, keyboard, the courier group, the
// layout's invariants in the font actually used, the menu, and the program's identity (title, icon,
// Qt's Chinese texts).

#include "AppSetup.h"
#include "CarrierTable.h"
#include "GuiTestSupport.h"
#include "Identity.h"
#include "form1.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFontMetrics>
#include <QGroupBox>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QTimer>
#include <QtEndian>
#include <algorithm>
#include <functional>
#include <memory>

namespace {

const QString SiteUrl = QStringLiteral("http://example.test");
const QString ContactQq = QStringLiteral("12345678");
constexpr int TwipsPerPixel = 15;
const QSize ClientSize(15225 / TwipsPerPixel, 8850 / TwipsPerPixel);

Endpoints testEndpoints(const QString &siteUrl = SiteUrl, const QString &contactQq = ContactQq)
{
    return Endpoints{QStringLiteral("http://tracking.example.test"), siteUrl,
                     QStringLiteral("http://provider.example.test"), contactQq};
}

// Shown as the program shows it after start-up, without running Form_Load (which goes online).
bool showWindow(form1 &window)
{
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return false;
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

QWidget *focused()
{
    return QApplication::focusWidget();
}

QString focusedName()
{
    return focused() ? focused()->objectName() : QStringLiteral("(none)");
}

QList<int> selectedRows(const QListWidget *list)
{
    QList<int> rows;
    for (QListWidgetItem *item : list->selectedItems())
        rows << list->row(item);
    return rows;
}

// Where an option button's caption ends, in the button's coordinates: the style puts the text
// after the indicator.
int captionEnd(const QRadioButton *button)
{
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const QRect contents = button->style()->subElementRect(QStyle::SE_RadioButtonContents, &option, button);
    return contents.left() + button->fontMetrics().horizontalAdvance(button->text());
}

// The smallest rectangle holding the pixels of `area` that `isInk` accepts; null when there are none.
QRect inkIn(const QImage &image, const QRect &area, const std::function<bool(QColor)> &isInk)
{
    QRect ink;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (isInk(image.pixelColor(x, y)))
                ink |= QRect(x, y, 1, 1);
    return ink;
}

bool isBlueInk(QColor c)
{
    return c.blue() > 150 && c.red() < 120 && c.green() < 120;
}

bool isBlackInk(QColor c)
{
    return c.red() < 110 && c.green() < 110 && c.blue() < 110;
}

struct IconDirectoryEntry
{
    int width = 0;
    int height = 0;
    int colourCount = 0;
    int bitCount = 0;
    quint32 bytes = 0;
    quint32 offset = 0;
};

QList<IconDirectoryEntry> readIconDirectory(const QByteArray &ico)
{
    QList<IconDirectoryEntry> entries;
    if (ico.size() < 6 || qFromLittleEndian<quint16>(ico.constData()) != 0 ||
        qFromLittleEndian<quint16>(ico.constData() + 2) != 1)
        return entries;
    const int count = qFromLittleEndian<quint16>(ico.constData() + 4);
    for (int i = 0; i < count && 6 + 16 * (i + 1) <= ico.size(); ++i) {
        const char *entry = ico.constData() + 6 + 16 * i;
        IconDirectoryEntry e;
        e.width = quint8(entry[0]) ? quint8(entry[0]) : 256;
        e.height = quint8(entry[1]) ? quint8(entry[1]) : 256;
        e.colourCount = quint8(entry[2]);
        e.bitCount = qFromLittleEndian<quint16>(entry + 6);
        e.bytes = qFromLittleEndian<quint32>(entry + 8);
        e.offset = qFromLittleEndian<quint32>(entry + 12);
        entries.append(e);
    }
    return entries;
}

} // namespace

class tst_window : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void firstShowHasFocusInNumberBoxAndNoCourier();
    void layoutIsDrawnForTwelvePixelIdeographs_data();
    void layoutIsDrawnForTwelvePixelIdeographs();
    void clientAreaIsFixed();
    void tabMovesFocus_data();
    void tabMovesFocus();
    void tabWalksTheWholeCycle_data();
    void tabWalksTheWholeCycle();
    void enterAndEscapeTriggerNothing_data();
    void enterAndEscapeTriggerNothing();
    void numberBoxHasNoLengthLimit();
    void courierButtonsFormOneExclusiveGroup();
    void clickingACourierFocusesIt_data();
    void clickingACourierFocusesIt();
    void everyControlWhereTheLayoutPutsIt_data();
    void everyControlWhereTheLayoutPutsIt();
    void captionsAreNotClipped();
    void autoSizedLabelsFollowTheirText_data();
    void autoSizedLabelsFollowTheirText();
    void providerNameFillsTheBlankRun();
    void hostNameFollowsSiteLabel();
    void linkLabelsAreDrawnAboveTheLabelsTheyOverlap_data();
    void linkLabelsAreDrawnAboveTheLabelsTheyOverlap();
    void screenReaderNamesTheFields_data();
    void screenReaderNamesTheFields();
    void historyMenuHasTwoItemsAndThereIsNoMenuBar();
    void onlyTheLeftButtonSelectsALine_data();
    void onlyTheLeftButtonSelectsALine();
    void keysSelectTheLineTheyMoveTo_data();
    void keysSelectTheLineTheyMoveTo();
    void titleAndIdentity();
    void iconHoldsNineImages();
    void iconImage_data();
    void iconImage();
    void standardButtonsSpeakChinese_data();
    void standardButtonsSpeakChinese();
    void messageBoxesAreWideEnoughForTheirTitles_data();
    void messageBoxesAreWideEnoughForTheirTitles();
};

void tst_window::initTestCase()
{
    setUpApplication(*qobject_cast<QApplication *>(qApp));
}

void tst_window::firstShowHasFocusInNumberBoxAndNoCourier()
{
    form1 window(testEndpoints());
    QVERIFY(showWindow(window));

    QTRY_COMPARE(focusedName(), QStringLiteral("Text2"));
    QVERIFY(control<QLineEdit>(&window, "Text2")->text().isEmpty());
    const auto couriers = window.findChildren<QRadioButton *>();
    QVERIFY(!couriers.isEmpty());
    for (const QRadioButton *courier : couriers)
        QVERIFY2(!courier->isChecked(), qPrintable(courier->objectName()));
    QVERIFY(!control<QPushButton>(&window, "Command3")->isVisible());
    QCOMPARE(control<QListWidget>(&window, "List2")->count(), 0);
}

void tst_window::layoutIsDrawnForTwelvePixelIdeographs_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("pixels");
    QTest::newRow("ideograph") << QStringLiteral("数") << 12;
    QTest::newRow("full-width colon") << QStringLiteral("：") << 12;
    QTest::newRow("ASCII letter") << QStringLiteral("Q") << 6;
    QTest::newRow("digit") << QStringLiteral("8") << 6;
    QTest::newRow("blank") << QStringLiteral(" ") << 6;
    QTest::newRow("mixed caption") << QStringLiteral("E邮宝") << 30;
}

void tst_window::layoutIsDrawnForTwelvePixelIdeographs()
{
    QFETCH(QString, text);
    QFETCH(int, pixels);
    form1 window(testEndpoints());
    QVERIFY(showWindow(window));

    QCOMPARE(window.logicalDpiX(), 96);
    // Every control inherits the window's font; a control with a font of its own would break the
    // overlapping labels' arithmetic.
    const auto label = control<QLabel>(&window, "Label2");
    QCOMPARE(QFontMetrics(label->font()).horizontalAdvance(text), pixels);
    QCOMPARE(QFontMetrics(control<QRadioButton>(&window, "eyoubao")->font()).horizontalAdvance(text), pixels);
}

void tst_window::clientAreaIsFixed()
{
    form1 window(testEndpoints());
    QVERIFY(showWindow(window));
    QCOMPARE(window.size(), ClientSize);

    window.resize(ClientSize + QSize(200, 100));
    QCOMPARE(window.size(), ClientSize);
    window.resize(ClientSize - QSize(200, 100));
    QCOMPARE(window.size(), ClientSize);
}

void tst_window::tabMovesFocus_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<bool>("backwards");
    QTest::addColumn<QString>("to");
    QTest::newRow("number box to query button") << "Text2" << false << "chaxun";
    QTest::newRow("query button to Result list") << "chaxun" << false << "List1";
    QTest::newRow("Result list to copy-all button") << "List1" << false << "Command1";
    QTest::newRow("History list skips the hidden re-query button") << "List2" << false << "Command5";
    QTest::newRow("last button wraps to number box") << "Command6" << false << "Text2";
    QTest::newRow("Shift+Tab from query button to number box") << "chaxun" << true << "Text2";
    QTest::newRow("Shift+Tab from number box wraps to last button") << "Text2" << true << "Command6";
}

void tst_window::tabMovesFocus()
{
    QFETCH(QString, from);
    QFETCH(bool, backwards);
    QFETCH(QString, to);
    form1 window(testEndpoints());
    QVERIFY(showWindow(window));

    auto *start = window.findChild<QWidget *>(from);
    QVERIFY(start);
    start->setFocus(Qt::OtherFocusReason);
    QTRY_COMPARE(focusedName(), from);

    QTest::keyClick(start, backwards ? Qt::Key_Backtab : Qt::Key_Tab, backwards ? Qt::ShiftModifier : Qt::NoModifier);
    QTRY_COMPARE(focusedName(), to);
}

void tst_window::tabWalksTheWholeCycle_data()
{
    // The window's tab order; labels and the frame hold places in it but take no focus, the hidden
    // Command3 is skipped, and the courier group is one stop, at its selected button (its first
    // one when none is selected), as an option group is on Windows.
    const QStringList order =
        QStringLiteral(
            "Text2 chaxun Label1 List1 Frame1 Command1 yuantong shentong huitongkuaidi yunda ems shunfeng zhongtong "
            "tiantian zhaijisong Command2 Label2 Label3 Label4 Command4 quanfengkuaidi xiaobao jingdong gnxb eyoubao "
            "sure guotong quanyi Label5 Label9 yousu xinbang huacheng debang longbang huayu jiayi yuancheng List2 "
            "Label7 Command3 Command5 Command6")
            .split(QLatin1Char(' '));
    const QStringList couriers =
        QStringLiteral(
            "yuantong shentong zhongtong shunfeng yunda huitongkuaidi tiantian quanfengkuaidi zhaijisong quanyi ems "
            "xiaobao eyoubao gnxb guotong sure jingdong yousu xinbang huacheng debang jiayi longbang huayu yuancheng")
            .split(QLatin1Char(' '));
    const auto stops = [&](const QString &selected) {
        QStringList out;
        for (const QString &name : order) {
            const bool courier = couriers.contains(name);
            const bool groupStop = selected.isEmpty() ? name == QLatin1String("yuantong") : name == selected;
            if (name.startsWith(QLatin1String("Label")) || name == QLatin1String("Frame1") ||
                name == QLatin1String("Command3") || (courier && !groupStop))
                continue;
            out << name;
        }
        return out;
    };
    QTest::addColumn<QString>("selected");
    QTest::addColumn<bool>("backwards");
    QTest::addColumn<QStringList>("expected");
    for (const QString &selected : {QString(), QStringLiteral("sure")}) {
        const QStringList forward = stops(selected);
        QStringList backward = forward.mid(1);
        std::reverse(backward.begin(), backward.end());
        backward.prepend(forward.first());
        const QByteArray courier = selected.isEmpty() ? QByteArray("no courier") : selected.toLatin1();
        QTest::addRow("Tab, %s", courier.constData()) << selected << false << forward;
        QTest::addRow("Shift+Tab, %s", courier.constData()) << selected << true << backward;
    }
}

void tst_window::tabWalksTheWholeCycle()
{
    QFETCH(QString, selected);
    QFETCH(bool, backwards);
    QFETCH(QStringList, expected);
    form1 window(testEndpoints());
    if (!selected.isEmpty())
        control<QRadioButton>(&window, selected.toLatin1().constData())->setChecked(true);
    QVERIFY(showWindow(window));
    QTRY_COMPARE(focusedName(), QStringLiteral("Text2"));

    QStringList visited{focusedName()};
    for (int step = 0; step < 2 * expected.size(); ++step) {
        QTest::keyClick(focused(), backwards ? Qt::Key_Backtab : Qt::Key_Tab,
                        backwards ? Qt::ShiftModifier : Qt::NoModifier);
        if (focusedName() == QLatin1String("Text2"))
            break;
        visited << focusedName();
    }
    QCOMPARE(visited, expected);
    QCOMPARE(focusedName(), QStringLiteral("Text2")); // and round again
}

void tst_window::enterAndEscapeTriggerNothing_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("number");
    QTest::newRow("Return in an empty number box") << int(Qt::Key_Return) << QString();
    QTest::newRow("keypad Enter after a number") << int(Qt::Key_Enter) << QStringLiteral("123456789012");
    QTest::newRow("Escape") << int(Qt::Key_Escape) << QString();
}

void tst_window::enterAndEscapeTriggerNothing()
{
    QFETCH(int, key);
    QFETCH(QString, number);
    // A query would show its message (empty number, no courier) and a close would ask its exit
    // question: both arrive here instead of on screen.
    MessageBoxRecorder boxes(MsgBox::Cancel);
    EndRecorder ends;
    form1 window(testEndpoints());
    QVERIFY(showWindow(window));
    auto *text2 = control<QLineEdit>(&window, "Text2");
    QTRY_COMPARE(focused(), text2);
    if (!number.isEmpty()) {
        QTest::keyClicks(text2, number);
        control<QRadioButton>(&window, "zhongtong")->setChecked(true);
    }

    // A button the key set off is pressed at once, even when its click comes later (a default
    // button's animated click), so no press and no click by the time a call queued after the key
    // has run means nothing was set off.
    QList<std::shared_ptr<QSignalSpy>> spies;
    for (const QPushButton *button : window.findChildren<QPushButton *>()) {
        spies.append(std::make_shared<QSignalSpy>(button, &QPushButton::pressed));
        spies.append(std::make_shared<QSignalSpy>(button, &QPushButton::clicked));
    }

    QTest::keyClick(text2, Qt::Key(key));
    bool keyHandled = false;
    QMetaObject::invokeMethod(
        text2, [&keyHandled] { keyHandled = true; }, Qt::QueuedConnection);
    QTRY_VERIFY(keyHandled);

    for (const auto &spy : spies)
        QVERIFY2(spy->isEmpty(), spy->signal().constData());
    QVERIFY(boxes.shown.isEmpty());
    QCOMPARE(ends.count, 0);
    QVERIFY(window.isVisible());
    QCOMPARE(control<QListWidget>(&window, "List1")->count(), 0);
    QCOMPARE(text2->text(), number);
}

void tst_window::numberBoxHasNoLengthLimit()
{
    form1 window(testEndpoints());
    auto *text2 = control<QLineEdit>(&window, "Text2");
    // Beyond QLineEdit's default limit of 32767 characters.
    const QString pasted(70000, QLatin1Char('7'));
    text2->insert(pasted);
    QCOMPARE(text2->text().size(), pasted.size());
}

void tst_window::courierButtonsFormOneExclusiveGroup()
{
    form1 window(testEndpoints());
    QVERIFY(showWindow(window));
    auto *frame = control<QGroupBox>(&window, "Frame1");
    const auto couriers = window.findChildren<QRadioButton *>();
    QCOMPARE(couriers.size(), CarrierTable::rows().size());

    for (QRadioButton *courier : couriers) {
        QCOMPARE(courier->parentWidget(), frame);
        // A button without its row in the Carrier table would query nothing at all.
        const auto &rows = CarrierTable::rows();
        QVERIFY2(std::any_of(rows.begin(), rows.end(),
                             [courier](const Carrier &row) { return row.buttonName == courier->objectName(); }),
                 qPrintable(courier->objectName()));
        // Clicked on its caption, where the user clicks.
        QTest::mouseClick(courier, Qt::LeftButton, {}, QPoint(captionEnd(courier) - 4, courier->height() / 2));
        QVERIFY2(courier->isChecked(), qPrintable(courier->objectName()));
        for (const QRadioButton *other : couriers)
            QVERIFY2(other == courier || !other->isChecked(),
                     qPrintable(courier->objectName() + QLatin1String(" and ") + other->objectName()));
    }
}

void tst_window::clickingACourierFocusesIt_data()
{
    QTest::addColumn<QString>("clicked");
    QTest::newRow("the selected courier") << "sure";
    QTest::newRow("another courier") << "ems";
}

// Only the selected courier is a Tab stop, but a click reaches every one, the selected one included.
void tst_window::clickingACourierFocusesIt()
{
    QFETCH(QString, clicked);
    form1 window(testEndpoints());
    control<QRadioButton>(&window, "sure")->setChecked(true);
    QVERIFY(showWindow(window));
    QTRY_COMPARE(focusedName(), QStringLiteral("Text2"));
    auto *courier = control<QRadioButton>(&window, clicked.toLatin1().constData());

    QTest::mouseClick(courier, Qt::LeftButton, {}, QPoint(captionEnd(courier) - 4, courier->height() / 2));

    QCOMPARE(focusedName(), clicked);
    QVERIFY(courier->isChecked());
}

void tst_window::everyControlWhereTheLayoutPutsIt_data()
{
    // name, Left, Top, Width, Height in twips; the container's corner is the origin (Frame1's for
    // the couriers). Width -1: an auto-sized label, whose box is its text's, in the font in use
    // (a line of it is taller than the 180 twips the table gives).
    struct Placed
    {
        const char *name;
        int left, top, width, height;
    };
    const Placed controls[] = {
        {"chaxun", 9480, 240, 1695, 735},     {"Command2", 11280, 240, 1575, 735},
        {"Command4", 12960, 240, 2175, 735},  {"Frame1", 120, 360, 4695, 3015},
        {"Text2", 6600, 480, 2700, 375},      {"Label1", 5040, 600, -1, 180},
        {"List1", 5040, 1200, 10095, 6000},   {"Label7", 120, 3600, 2655, 255},
        {"List2", 120, 3960, 4695, 4020},     {"Command1", 5040, 7320, 2775, 735},
        {"Command5", 8040, 7320, 3735, 735},  {"Command6", 12120, 7320, 3015, 735},
        {"Command3", 8520, 8280, 615, 495},   {"Label2", 360, 8520, 2295, 375},
        {"Label3", 1080, 8520, -1, 180},      {"Label9", 4560, 8520, 1455, 255},
        {"Label5", 5880, 8520, -1, 180},      {"Label4", 10560, 8520, -1, 180},
        {"yuantong", 240, 360, 735, 255},     {"shentong", 1080, 360, 735, 255},
        {"zhongtong", 1920, 360, 735, 255},   {"shunfeng", 2760, 360, 735, 255},
        {"yunda", 3600, 360, 735, 255},       {"huitongkuaidi", 240, 720, 735, 255},
        {"tiantian", 1080, 720, 735, 255},    {"quanfengkuaidi", 1920, 720, 735, 255},
        {"zhaijisong", 2760, 720, 975, 255},  {"quanyi", 3600, 720, 735, 255},
        {"ems", 240, 1080, 735, 255},         {"xiaobao", 960, 1080, 1095, 255},
        {"eyoubao", 2040, 1080, 855, 255},    {"gnxb", 2880, 1080, 1455, 255},
        {"guotong", 240, 1440, 735, 255},     {"sure", 1080, 1440, 735, 255},
        {"jingdong", 1920, 1440, 735, 255},   {"yousu", 2760, 1440, 975, 255},
        {"xinbang", 240, 2040, 1095, 255},    {"huacheng", 1320, 2040, 1095, 255},
        {"debang", 2400, 2040, 1095, 255},    {"jiayi", 3480, 2040, 1095, 255},
        {"longbang", 240, 2400, 1095, 255},   {"huayu", 1320, 2400, 1215, 255},
        {"yuancheng", 2400, 2400, 1215, 255},
    };
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");
    for (const Placed &c : controls)
        QTest::newRow(c.name) << QString::fromLatin1(c.name) << QRect(c.left, c.top, c.width, c.height);
}

void tst_window::everyControlWhereTheLayoutPutsIt()
{
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    form1 window(testEndpoints());
    const auto *widget = window.findChild<QWidget *>(name);
    QVERIFY(widget);

    const QRect pixels = widget->geometry();
    QCOMPARE(pixels.topLeft(), twips.topLeft() / TwipsPerPixel);
    if (twips.width() > 0)
        QCOMPARE(pixels.size(), twips.size() / TwipsPerPixel);
    else
        QCOMPARE(pixels.size(), widget->sizeHint());
}

void tst_window::captionsAreNotClipped()
{
    form1 window(testEndpoints());
    QVERIFY(showWindow(window));

    for (const QPushButton *button : window.findChildren<QPushButton *>()) {
        if (!button->isVisible())
            continue;
        QStyleOptionButton option;
        option.initFrom(button);
        const QRect contents = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) <= contents.width(),
                 qPrintable(button->objectName()));
        QVERIFY2(button->fontMetrics().height() <= contents.height(), qPrintable(button->objectName()));
    }

    // The option buttons' boxes overlap their right-hand neighbours in places, so a caption must
    // end before the next button begins, not only inside its own box: a click anywhere on it
    // reaches its own button.
    const auto *frame = control<QGroupBox>(&window, "Frame1");
    for (QRadioButton *courier : window.findChildren<QRadioButton *>()) {
        const int end = captionEnd(courier);
        QVERIFY2(end <= courier->width(), qPrintable(courier->objectName()));
        QVERIFY2(courier->fontMetrics().height() <= courier->height(), qPrintable(courier->objectName()));
        for (int x = 0; x < end; ++x)
            QVERIFY2(frame->childAt(courier->mapTo(frame, QPoint(x, courier->height() / 2))) == courier,
                     qPrintable(QStringLiteral("%1 at x=%2").arg(courier->objectName()).arg(x)));
    }

    for (const QLabel *label : window.findChildren<QLabel *>()) {
        const QFontMetrics metrics(label->font());
        QVERIFY2(metrics.horizontalAdvance(label->text()) <= label->width(), qPrintable(label->objectName()));
        QVERIFY2(metrics.height() <= label->height(), qPrintable(label->objectName()));
    }
}

void tst_window::autoSizedLabelsFollowTheirText_data()
{
    QTest::addColumn<QString>("siteUrl");
    QTest::addColumn<QString>("siteHost"); // what the link and the caption show of the URL
    QTest::addColumn<QString>("contactQq");
    QTest::newRow("short host, eight-digit number")
        << QStringLiteral("http://example.test") << QStringLiteral("example.test") << QStringLiteral("12345678");
    QTest::newRow("https, host with port, five-digit number")
        << QStringLiteral("https://127.0.0.1:18715") << QStringLiteral("127.0.0.1:18715") << QStringLiteral("10001");
    QTest::newRow("long host in capitals, eleven-digit number")
        << QStringLiteral("https://WWW.Quorvel-Software.example.test")
        << QStringLiteral("WWW.Quorvel-Software.example.test") << QStringLiteral("80001234567");
}

void tst_window::autoSizedLabelsFollowTheirText()
{
    QFETCH(QString, siteUrl);
    QFETCH(QString, siteHost);
    QFETCH(QString, contactQq);
    form1 window(testEndpoints(siteUrl, contactQq));
    QVERIFY(showWindow(window));

    for (const char *name : {"Label1", "Label3", "Label4", "Label5"}) {
        const auto *label = control<QLabel>(&window, name);
        const QFontMetrics metrics(label->font());
        QCOMPARE(label->width(), metrics.horizontalAdvance(label->text()));
        QVERIFY2(label->height() >= metrics.height(), name);
        QVERIFY2(window.rect().contains(label->geometry()), name);
    }
    QCOMPARE(control<QLabel>(&window, "Label5")->text(), siteHost);
    QCOMPARE(window.windowTitle(), QStringLiteral("Quorvel快递查询软件2015版本-官方网址：") + siteHost);
    QVERIFY(control<QLabel>(&window, "Label4")->text().endsWith(contactQq));
}

void tst_window::providerNameFillsTheBlankRun()
{
    form1 window(testEndpoints());
    QVERIFY(showWindow(window));
    const auto *sentence = control<QLabel>(&window, "Label2");
    const auto *provider = control<QLabel>(&window, "Label3");
    const QFontMetrics metrics(sentence->font());
    const QString lead = QStringLiteral("数据由：");
    const int runStart = sentence->x() + metrics.horizontalAdvance(lead);
    const int runEnd = sentence->x() + metrics.horizontalAdvance(lead + QString(11, QLatin1Char(' ')));
    QVERIFY(sentence->text().startsWith(lead + QString(11, QLatin1Char(' ')) + QStringLiteral("提供")));

    QCOMPARE(provider->x(), runStart);
    QCOMPARE(provider->y(), sentence->y());
    QVERIFY(provider->geometry().right() < runEnd);

    // What the eye sees: the blue name sits in the gap on the sentence's line, and no black text
    // shows under or beside it inside the gap.
    const QImage shot = window.grab().toImage();
    const QRect line(sentence->x(), sentence->y(), runEnd + metrics.horizontalAdvance(QStringLiteral("提供")),
                     metrics.height());
    const QRect blue = inkIn(shot, line, isBlueInk);
    const QRect leadInk =
        inkIn(shot, QRect(sentence->x(), sentence->y(), runStart - sentence->x(), metrics.height()), isBlackInk);
    QVERIFY(!blue.isNull());
    QVERIFY(!leadInk.isNull());
    QVERIFY(blue.left() >= runStart);
    QVERIFY(blue.right() < runEnd);
    QVERIFY(inkIn(shot, QRect(runStart, line.top(), runEnd - runStart, line.height()), isBlackInk).isNull());
    QVERIFY2(qAbs(blue.top() - leadInk.top()) <= 1 && qAbs(blue.bottom() - leadInk.bottom()) <= 1,
             "the name is not on the sentence's line");
}

void tst_window::hostNameFollowsSiteLabel()
{
    form1 window(testEndpoints());
    QVERIFY(showWindow(window));
    const auto *site = control<QLabel>(&window, "Label9");
    const auto *host = control<QLabel>(&window, "Label5");
    const int textEnd = site->x() + QFontMetrics(site->font()).horizontalAdvance(QStringLiteral("软件官方网址："));

    QCOMPARE((host->x() - textEnd) * TwipsPerPixel, 60);
    QVERIFY(host->x() < site->geometry().right());
    QCOMPARE(host->y(), site->y());

    const QImage shot = window.grab().toImage();
    const QFontMetrics metrics(site->font());
    const QRect lineArea(site->x(), site->y(), host->geometry().right() - site->x() + 1, metrics.height());
    const QRect blue = inkIn(shot, lineArea, isBlueInk);
    const QRect black = inkIn(shot, lineArea, isBlackInk);
    QVERIFY(!blue.isNull());
    QVERIFY(!black.isNull());
    QVERIFY(blue.left() > black.right());
    QVERIFY(blue.left() >= textEnd);
    QVERIFY(blue.left() < textEnd + metrics.horizontalAdvance(QStringLiteral("软")));
    QVERIFY2(qAbs(blue.bottom() - black.bottom()) <= 2, "the host name is not on the label's line");
}

void tst_window::linkLabelsAreDrawnAboveTheLabelsTheyOverlap_data()
{
    QTest::addColumn<QString>("above");
    QTest::addColumn<QString>("below");
    QTest::newRow("provider name over the sentence") << "Label3"
                                                     << "Label2";
    QTest::newRow("host name over the site label") << "Label5"
                                                   << "Label9";
}

void tst_window::linkLabelsAreDrawnAboveTheLabelsTheyOverlap()
{
    QFETCH(QString, above);
    QFETCH(QString, below);
    form1 window(testEndpoints());
    QVERIFY(showWindow(window));
    const auto *top = window.findChild<QLabel *>(above);
    const auto *bottom = window.findChild<QLabel *>(below);

    const QRect shared = top->geometry() & bottom->geometry();
    QVERIFY(!shared.isEmpty());
    // The one under the pointer is the one that gets the clicks and the hover.
    QCOMPARE(window.childAt(shared.center()), top);
    QCOMPARE(window.childAt(shared.topLeft()), top);
}

void tst_window::screenReaderNamesTheFields_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("spoken");
    QTest::addColumn<QString>("labelledBy"); // the label a screen reader reads with the field
    QTest::newRow("number box, after its label") << "Text2" << QStringLiteral("请输入快递单号：") << "Label1";
    QTest::newRow("Result list") << "List1" << QStringLiteral("查询结果") << QString();
    QTest::newRow("History list, after its heading")
        << "List2" << QStringLiteral("查询记录（右键进行操作）：") << "Label7";
}

// What the platform's accessibility bridge (AT-SPI on Linux) hands a screen reader.
void tst_window::screenReaderNamesTheFields()
{
    QFETCH(QString, name);
    QFETCH(QString, spoken);
    QFETCH(QString, labelledBy);
    form1 window(testEndpoints());
    QVERIFY(showWindow(window));

    QAccessibleInterface *field = QAccessible::queryAccessibleInterface(window.findChild<QWidget *>(name));
    QVERIFY(field);
    QCOMPARE(field->text(QAccessible::Name), spoken);
    if (labelledBy.isEmpty())
        return;
    // Asked of the label: Qt's list views do not report their labels themselves.
    QAccessibleInterface *label = QAccessible::queryAccessibleInterface(window.findChild<QWidget *>(labelledBy));
    QVERIFY(label);
    QStringList labelled;
    for (const auto &[other, relation] : label->relations(QAccessible::Labelled))
        labelled << other->object()->objectName();
    QCOMPARE(labelled, QStringList{name});
}

void tst_window::historyMenuHasTwoItemsAndThereIsNoMenuBar()
{
    form1 window(testEndpoints());
    QVERIFY(showWindow(window));
    QVERIFY(window.findChildren<QMenuBar *>().isEmpty());

    QStringList shownItems;
    QTimer::singleShot(0, &window, [&shownItems] {
        if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
            for (const QAction *action : menu->actions())
                shownItems.append(action->text());
            menu->close();
        }
    });
    auto *history = control<QListWidget>(&window, "List2");
    QTest::mousePress(history->viewport(), Qt::RightButton, {}, QPoint(20, 20));
    QTest::mouseRelease(history->viewport(), Qt::RightButton, {}, QPoint(20, 20));
    QTRY_COMPARE(shownItems, QStringList({QStringLiteral("重新查询"), QStringLiteral("删除记录")}));

    const auto *menu = window.findChild<QMenu *>(QStringLiteral("mnuedit"));
    QVERIFY(menu);
    for (const QAction *action : menu->actions()) {
        QVERIFY(action->isEnabled());
        QVERIFY(!action->isChecked());
        QVERIFY(action->shortcut().isEmpty());
    }
}

void tst_window::onlyTheLeftButtonSelectsALine_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<int>("selected"); // the second line was selected before the press over the first
    QTest::newRow("left press over a History line selects it") << "List2" << Qt::LeftButton << 0;
    QTest::newRow("middle press over a History line") << "List2" << Qt::MiddleButton << 1;
    QTest::newRow("middle press over a Result line") << "List1" << Qt::MiddleButton << 1;
    QTest::newRow("right press over a Result line") << "List1" << Qt::RightButton << 1;
}

// As on the original platform's list box: the other buttons move neither the selection nor the
// focus frame, so a command never acts on a line the user did not pick.
void tst_window::onlyTheLeftButtonSelectsALine()
{
    QFETCH(QString, list);
    QFETCH(Qt::MouseButton, button);
    QFETCH(int, selected);
    form1 window(testEndpoints());
    QVERIFY(showWindow(window));
    auto *lines = control<QListWidget>(&window, list.toLatin1().constData());
    lines->addItems({"a", "b", "c"});
    lines->setCurrentRow(1);

    const QPoint at = lines->visualItemRect(lines->item(0)).center();
    QTest::mousePress(lines->viewport(), button, {}, at);
    QTest::mouseRelease(lines->viewport(), button, {}, at);

    QCOMPARE(selectedRows(lines), QList<int>{selected});
    QCOMPARE(lines->currentRow(), selected);
}

void tst_window::keysSelectTheLineTheyMoveTo_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<int>("selected");
    QTest::newRow("History list of one line, Down") << "List2" << 1 << QList<int>{Qt::Key_Down} << 0;
    QTest::newRow("the first Down selects the first line") << "List1" << 3 << QList<int>{Qt::Key_Down} << 0;
    QTest::newRow("Home on the first line") << "List2" << 3 << QList<int>{Qt::Key_Home} << 0;
    QTest::newRow("Page Down in a list of one line") << "List2" << 1 << QList<int>{Qt::Key_PageDown} << 0;
    QTest::newRow("Right and Left step as Down and Up")
        << "List1" << 3 << QList<int>{Qt::Key_Down, Qt::Key_Right, Qt::Key_Right, Qt::Key_Left, Qt::Key_Right} << 2;
}

// Tabbed into with nothing selected, the focus frame on the first line: every key that moves the
// frame selects the line it reaches, as on the original platform's list box, where a screen reader
// then announces the line as selected.
void tst_window::keysSelectTheLineTheyMoveTo()
{
    QFETCH(QString, list);
    QFETCH(int, count);
    QFETCH(QList<int>, keys);
    QFETCH(int, selected);
    form1 window(testEndpoints());
    QVERIFY(showWindow(window));
    auto *lines = control<QListWidget>(&window, list.toLatin1().constData());
    for (int line = 0; line < count; ++line)
        lines->addItem(QStringLiteral("line %1").arg(line));
    lines->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(focusedName(), list);
    QCOMPARE(selectedRows(lines), QList<int>{});

    for (const int key : keys)
        QTest::keyClick(lines, Qt::Key(key));

    QCOMPARE(selectedRows(lines), QList<int>{selected});
    QCOMPARE(lines->currentRow(), selected);
}

void tst_window::titleAndIdentity()
{
    form1 window(testEndpoints());
    // Derived from the project's version: major.minor, the minor in two digits.
    QCOMPARE(QApplication::applicationVersion(),
             QStringLiteral(QUORVEL_PROJECT_VERSION_MAJOR) + u'.' +
                 QStringLiteral(QUORVEL_PROJECT_VERSION_MINOR).rightJustified(2, u'0'));
    QCOMPARE(window.windowTitle(), QStringLiteral("Quorvel快递查询软件2015版本-官方网址：example.test"));

    const QList<QSize> sizes = QApplication::windowIcon().availableSizes();
    for (int side : {16, 32, 48, 128})
        QVERIFY2(sizes.contains(QSize(side, side)), qPrintable(QString::number(side)));
    QVERIFY(!window.windowIcon().isNull());
}

void tst_window::iconHoldsNineImages()
{
    QFile file(QStringLiteral(":/icons/quorvel.ico"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray ico = file.readAll();
    const QList<IconDirectoryEntry> entries = readIconDirectory(ico);
    QCOMPARE(entries.size(), 9);
    QCOMPARE(qFromLittleEndian<quint16>(ico.constData() + 4), quint16(9));
    for (const IconDirectoryEntry &entry : entries)
        QVERIFY(entry.offset + entry.bytes <= quint32(ico.size()));

    QImageReader reader(QStringLiteral(":/icons/quorvel.ico"));
    QCOMPARE(reader.imageCount(), 9);
}

void tst_window::iconImage_data()
{
    QTest::addColumn<int>("side");
    QTest::addColumn<int>("bits");
    QTest::newRow("16x16, 256 colours") << 16 << 8;
    QTest::newRow("32x32, 256 colours") << 32 << 8;
    QTest::newRow("48x48, 256 colours") << 48 << 8;
    QTest::newRow("16x16, true colour") << 16 << 32;
    QTest::newRow("32x32, true colour") << 32 << 32;
    QTest::newRow("48x48, true colour") << 48 << 32;
    QTest::newRow("128x128, true colour") << 128 << 32;
    QTest::newRow("32x32, monochrome") << 32 << 1;
    QTest::newRow("48x48, 16 colours") << 48 << 4;
}

void tst_window::iconImage()
{
    QFETCH(int, side);
    QFETCH(int, bits);
    QFile file(QStringLiteral(":/icons/quorvel.ico"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray ico = file.readAll();
    const QList<IconDirectoryEntry> entries = readIconDirectory(ico);

    int index = -1;
    for (int i = 0; i < entries.size(); ++i) {
        if (entries[i].width == side && entries[i].height == side && entries[i].bitCount == bits) {
            QVERIFY2(index < 0, "listed twice");
            index = i;
        }
    }
    QVERIFY2(index >= 0, "not in the icon");
    const IconDirectoryEntry &entry = entries[index];
    QCOMPARE(entry.colourCount, bits < 8 ? 1 << bits : 0);

    // Palette images are device-independent bitmaps (XOR image at double height for the AND mask),
    // which is what every version of the shell reads.
    const char *image = ico.constData() + entry.offset;
    if (bits < 32 || !QByteArray(image, 4).startsWith("\x89PNG")) {
        QCOMPARE(qFromLittleEndian<quint32>(image), quint32(40));
        QCOMPARE(qFromLittleEndian<qint32>(image + 4), side);
        QCOMPARE(qFromLittleEndian<qint32>(image + 8), 2 * side);
        QCOMPARE(int(qFromLittleEndian<quint16>(image + 14)), bits);
        const int paletteBytes = bits <= 8 ? 4 << bits : 0;
        const int xorBytes = ((side * bits + 31) / 32) * 4 * side;
        const int andBytes = ((side + 31) / 32) * 4 * side;
        QCOMPARE(entry.bytes, quint32(40 + paletteBytes + xorBytes + andBytes));
    }

    // Decoded the way the window gets it: the corners see through, the parcel does not.
    QImageReader reader(QStringLiteral(":/icons/quorvel.ico"));
    QVERIFY(reader.jumpToImage(index));
    const QImage decoded = reader.read();
    QCOMPARE(decoded.size(), QSize(side, side));
    QCOMPARE(decoded.pixelColor(0, 0).alpha(), 0);
    QCOMPARE(decoded.pixelColor(side - 1, 0).alpha(), 0);
    QCOMPARE(decoded.pixelColor(side / 4, side * 5 / 8).alpha(), 255);
}

void tst_window::standardButtonsSpeakChinese_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("text");
    QTest::newRow("OK") << int(QMessageBox::Ok) << QStringLiteral("确定");
    QTest::newRow("Cancel") << int(QMessageBox::Cancel) << QStringLiteral("取消");
}

void tst_window::standardButtonsSpeakChinese()
{
    QFETCH(int, button);
    QFETCH(QString, text);
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(box.button(QMessageBox::StandardButton(button))->text(), text);
}

void tst_window::messageBoxesAreWideEnoughForTheirTitles_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("title");
    QTest::newRow("开始查询 without a number") << QStringLiteral("chaxun") << QStringLiteral("系统提示");
    QTest::newRow("重新查询 without a History line") << QStringLiteral("mnuedit") << ProgramTitle;
}

// The real boxes, measured against the title bars of the platform they run on (Windows' on the
// windows platform): Qt alone sizes a box for its text and buttons, too narrow for such a title.
void tst_window::messageBoxesAreWideEnoughForTheirTitles()
{
    QFETCH(QString, command);
    QFETCH(QString, title);
    form1 window(testEndpoints());
    QVERIFY(showWindow(window));

    QString shownTitle;
    int width = 0;
    int needed = 0;
    QTimer poll;
    poll.setInterval(20);
    connect(&poll, &QTimer::timeout, &poll, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        poll.stop();
        shownTitle = box->windowTitle();
        width = box->width();
        needed = Platform::titleBarWidth(shownTitle, *box);
        box->button(QMessageBox::Ok)->click();
    });
    poll.start();
    if (command == QLatin1String("chaxun"))
        control<QPushButton>(&window, "chaxun")->click();
    else
        window.findChild<QMenu *>(command)->actions().first()->trigger(); // 重新查询

    QCOMPARE(shownTitle, title);
    QVERIFY2(width >= needed, qPrintable(QStringLiteral("%1 px wide, its title needs %2").arg(width).arg(needed)));
}

QTEST_MAIN(tst_window)
#include "tst_window.moc"

#include "form1.h"
#include "ui_form1.h"

#include "Identity.h"
#include "Module3.h"
#include "MsgBox.h"
#include "ProgramEnd.h"
#include "ResultList.h"
#include "TrackingProtocol.h"
#include "WindowFont.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QMenu>
#include <QRadioButton>
#include <QTimer>

form1::form1(const Endpoints &endpoints, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::form1>()), m_endpoints(endpoints)
{
    setFont(windowFont());
    m_ui->setupUi(this);
    setWindowTitle(ProgramTitle + QStringLiteral("版本-官方网址：") + m_endpoints.siteHost());
    m_ui->Label5->setText(m_endpoints.siteHost());
    m_ui->Label4->setText(QStringLiteral("软件作者：") + AuthorName + QStringLiteral("  如发现BUG，请联系QQ:") +
                          m_endpoints.contactQq);
    for (QLabel *autoSized : {m_ui->Label1, m_ui->Label3, m_ui->Label5, m_ui->Label4})
        autoSized->adjustSize();
    // Drawn above the labels they overlap.
    m_ui->Label3->raise();
    m_ui->Label5->raise();

    m_mnuedit = new QMenu(QStringLiteral("mnuedit"), this);
    m_mnuedit->setObjectName(QStringLiteral("mnuedit"));
    m_mnuedit1 = m_mnuedit->addAction(QStringLiteral("重新查询"));
    m_mnuedit1->setObjectName(QStringLiteral("mnuedit1"));
    m_mnuedit2 = m_mnuedit->addAction(QStringLiteral("删除记录"));
    m_mnuedit2->setObjectName(QStringLiteral("mnuedit2"));

    // Nothing handles Timer1's tick, so it is never started: a 1 ms timer with no handler would
    // only wake the event loop a thousand times a second.
    m_Timer1 = new QTimer(this);
    m_Timer1->setObjectName(QStringLiteral("Timer1"));
    m_Timer1->setInterval(1);

    // A hundred thousand events fill the list in one go and lay out without measuring each line.
    m_ui->List1->setUniformItemSizes(true);

    wireEvents();
    makeCourierGroupOneTabStop();
    m_ui->Text2->setFocus();
}

// Like an option group on Windows, the couriers are one stop of the Tab cycle, at the selected
// button (at the group's first one while none is selected), whichever way the user tabs; the arrow
// keys move within the group. Qt on its own stops at whichever button Tab happens to reach first.
void form1::makeCourierGroupOneTabStop()
{
    for (QWidget *w = nextInFocusChain(); w != this; w = w->nextInFocusChain()) {
        if (auto *courier = qobject_cast<QRadioButton *>(w))
            m_couriersInTabOrder.append(courier);
    }
    for (QRadioButton *courier : std::as_const(m_couriersInTabOrder))
        connect(courier, &QRadioButton::toggled, this, &form1::moveCourierTabStop);
    moveCourierTabStop();
}

void form1::moveCourierTabStop()
{
    QRadioButton *stop = m_couriersInTabOrder.value(0);
    for (QRadioButton *courier : std::as_const(m_couriersInTabOrder)) {
        if (courier->isChecked())
            stop = courier;
    }
    for (QRadioButton *courier : std::as_const(m_couriersInTabOrder))
        courier->setFocusPolicy(courier == stop ? Qt::StrongFocus : Qt::ClickFocus);
}

form1::~form1() = default;

void form1::wireEvents()
{
    connect(m_ui->chaxun, &QPushButton::clicked, this, &form1::chaxun_Click);
    connect(m_ui->Command1, &QPushButton::clicked, this, &form1::Command1_Click);
    connect(m_ui->Command2, &QPushButton::clicked, this, &form1::Command2_Click);
    connect(m_ui->Command3, &QPushButton::clicked, this, &form1::Command3_Click);
    connect(m_ui->Command4, &QPushButton::clicked, this, &form1::Command4_Click);
    connect(m_ui->Command5, &QPushButton::clicked, this, &form1::Command5_Click);
    connect(m_ui->Command6, &QPushButton::clicked, this, &form1::Command6_Click);
    connect(m_mnuedit1, &QAction::triggered, this, &form1::mnuedit1_Click);
    connect(m_mnuedit2, &QAction::triggered, this, &form1::mnuedit2_Click);

    setMouseTracking(true);
    for (QLabel *link : {m_ui->Label3, m_ui->Label5}) {
        link->setMouseTracking(true);
        link->installEventFilter(this);
    }
    m_ui->List2->installEventFilter(this);
    m_ui->List2->viewport()->installEventFilter(this);
    watchSessionEnd();
}

bool form1::eventFilter(QObject *watched, QEvent *event)
{
    return routeLinkLabelInput(watched, event) || routeHistoryListInput(watched, event) ||
           QWidget::eventFilter(watched, event);
}

bool form1::Form_Load()
{
    const QString executableFolder = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    SkinH_AttachEx(skinFilePath(executableFolder), QString());

    const QString homePage = m_endpoints.siteHomePageWithSlash();
    ShellExecuteA(this, QStringLiteral("open"), homePage, QString(), QString(), SW_SHOWNORMAL);

    // A request that failed is answered like any unexpected text: the busy-server message.
    const HttpGetResult update = HttpGetText(m_endpoints.updateFileUrl(), m_httpOptions);
    const QString answer = update.failed() ? QString() : update.text;
    if (answer == TrackingProtocol::UpdateNeeded) {
        MsgBox::show(this, QStringLiteral("程序已经更新，请到官网下载最新版本"), QStringLiteral("更新提示"));
        ShellExecuteA(this, QStringLiteral("open"), homePage, QString(), QString(), SW_SHOWNORMAL);
        EndProgramAtOnce();
        return false;
    }
    if (answer != TrackingProtocol::NoUpdateNeeded) {
        MsgBox::show(this, QStringLiteral("服务器繁忙，请联系作者qq") + m_endpoints.contactQq,
                     QStringLiteral("服务器繁忙"));
        EndProgramAtOnce();
        return false;
    }

    m_ui->List1->addItem(PlaceholderLine);
    return true;
}

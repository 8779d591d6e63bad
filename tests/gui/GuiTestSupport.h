#pragma once

// What the GUI tests share: the window's endpoints pointed at a test server, and recorders for the
// three ways the window reaches outside itself (message boxes, the end of the program, web pages).

#include "Endpoints.h"
#include "ListLines.h"
#include "MsgBox.h"
#include "ProgramEnd.h"
#include "TestHttpServer.h"
#include "form1.h"

#include <QDesktopServices>
#include <QLineEdit>
#include <QList>
#include <QListWidget>
#include <QObject>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <memory>

inline Endpoints endpointsFor(const TestHttpServer &server)
{
    return {server.baseUrl(), server.baseUrl(), server.baseUrl(), QStringLiteral("12345678")};
}

// The window's control of that type and name. A missing one fails the running test with its name, and
// the caller gets a hidden stand-in, a child of the window, so that the test ends with that failure
// rather than a crash: QTRY_* waits end at once once a test has failed.
template <typename Control> Control *control(const QWidget *window, const char *name)
{
    if (auto *found = window->findChild<Control *>(QString::fromLatin1(name)))
        return found;
    const QByteArray missing =
        QByteArray("the window has no ") + Control::staticMetaObject.className() + " named " + name;
    QTest::qFail(missing.constData(), __FILE__, __LINE__);
    auto *standIn = new Control(const_cast<QWidget *>(window));
    standIn->hide();
    return standIn;
}

struct ShownMessage
{
    QString text;
    QString title;
    MsgBox::Buttons buttons;
};

// Answers every message box at once with `answer` and records it. While one lives, no real box
// opens. `duringShow` runs inside the box, as a user's actions would while it is up.
class MessageBoxRecorder
{
public:
    explicit MessageBoxRecorder(MsgBox::Answer answer = MsgBox::Ok) : m_answer(answer)
    {
        MsgBox::setHandler([this](const QString &text, const QString &title, MsgBox::Buttons buttons) {
            shown.append({text, title, buttons});
            if (duringShow)
                duringShow();
            return m_answer;
        });
    }
    ~MessageBoxRecorder() { MsgBox::setHandler({}); }
    MessageBoxRecorder(const MessageBoxRecorder &) = delete;
    MessageBoxRecorder &operator=(const MessageBoxRecorder &) = delete;

    void setAnswer(MsgBox::Answer answer) { m_answer = answer; }

    QList<ShownMessage> shown;
    std::function<void()> duringShow;

private:
    MsgBox::Answer m_answer;
};

// Counts the times the program asked to end, instead of ending the test.
class EndRecorder
{
public:
    EndRecorder()
    {
        setEndProgramHandler([this] { ++count; });
    }
    ~EndRecorder() { setEndProgramHandler({}); }
    EndRecorder(const EndRecorder &) = delete;
    EndRecorder &operator=(const EndRecorder &) = delete;

    int count = 0;
};

// Catches the web pages the program opens, instead of starting a browser.
class OpenedUrls : public QObject
{
    Q_OBJECT

public:
    OpenedUrls()
    {
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open");
    }
    ~OpenedUrls() override
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    }

    QList<QUrl> urls;

public slots:
    void open(const QUrl &url) { urls.append(url); }
};

// A shown window whose endpoints are a fresh local test server, with every message box answered OK.
struct WindowOnTestServer
{
    // False when the server cannot listen or the window does not show.
    bool start(const std::function<TestHttpServer::Response(const TestHttpServer::Request &)> &responder = {})
    {
        server = std::make_unique<TestHttpServer>();
        if (!server->listen())
            return false;
        if (responder)
            server->setResponder(responder);
        messages = std::make_unique<MessageBoxRecorder>();
        window = std::make_unique<form1>(endpointsFor(*server));
        window->setHttpOptions({2000, 1024 * 1024});
        window->show();
        return QTest::qWaitForWindowExposed(window.get());
    }

    void stop()
    {
        window.reset();
        messages.reset();
        server.reset();
    }

    // Picks `courier` (none when empty), types `number` and presses 开始查询; returns when the query
    // has run to its end.
    void query(const QString &courier, const QString &number)
    {
        if (!courier.isEmpty())
            control<QRadioButton>(window.get(), courier.toLatin1().constData())->setChecked(true);
        control<QLineEdit>(window.get(), "Text2")->setText(number);
        QTest::mouseClick(control<QPushButton>(window.get(), "chaxun"), Qt::LeftButton);
    }

    std::unique_ptr<TestHttpServer> server;
    std::unique_ptr<MessageBoxRecorder> messages;
    std::unique_ptr<form1> window;
};

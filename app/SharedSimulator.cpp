#include "SharedSimulator.h"

#include "TrackingProtocol.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QHostAddress>
#include <QNetworkProxy>
#include <QProcess>
#include <QTcpSocket>

#include <utility>

namespace {
constexpr int RetryPauseMs = 50;
// Anything longer than the lease answer is not one.
constexpr qsizetype MaxLeaseHeadBytes = sizeof TrackingProtocol::LeaseAnswer;
} // namespace

SharedSimulator::SharedSimulator(const QString &executable, quint16 port, QObject *parent)
    : QObject(parent), m_executable(executable), m_port(port)
{
    m_nextQuestion.setSingleShot(true);
    m_giveUp.setSingleShot(true);
    connect(&m_nextQuestion, &QTimer::timeout, this, &SharedSimulator::ask);
    connect(&m_giveUp, &QTimer::timeout, this, [this] { endSearch(false); });
}

SharedSimulator::~SharedSimulator()
{
    release();
}

bool SharedSimulator::startSimulator()
{
    if (m_executable.isEmpty())
        return false;
    QProcess simulator;
    simulator.setProgram(m_executable);
    simulator.setArguments({QStringLiteral("--port"), QString::number(m_port), QStringLiteral("--end-when-unused")});
    // It prints where it listens, and that it cannot when another copy's simulator got there first.
    simulator.setStandardInputFile(QProcess::nullDevice());
    simulator.setStandardOutputFile(QProcess::nullDevice());
    simulator.setStandardErrorFile(QProcess::nullDevice());
    // Not the program's working folder, which it would keep busy as long as it runs.
    simulator.setWorkingDirectory(QFileInfo(m_executable).absolutePath());
    // Detached: it outlives no lease, not even the one of the copy that starts it.
    return simulator.startDetached();
}

bool SharedSimulator::acquire(int waitMs)
{
    if (m_lease)
        return true;
    search(waitMs);
    if (m_searching) {
        QEventLoop wait;
        connect(this, &SharedSimulator::searchEnded, &wait, &QEventLoop::quit);
        wait.exec();
    }
    return m_lease != nullptr;
}

void SharedSimulator::search(int waitMs)
{
    if (m_searching || m_lease)
        return;
    m_searching = true;
    m_startedInSearch = false;
    m_deadline.setRemainingTime(waitMs);
    m_giveUp.start(waitMs);
    ask();
}

// One question on a connection of its own, answered through the socket's signals: the thread goes
// on handling the window's events meanwhile.
void SharedSimulator::ask()
{
    m_answer.clear();
    m_question = new QTcpSocket(this);
    m_question->setProxy(QNetworkProxy::NoProxy); // this machine: never through a proxy
    connect(m_question, &QTcpSocket::connected, this, [this] {
        m_question->write(QByteArray("GET ") + TrackingProtocol::LeasePath + " HTTP/1.1\r\nHost: " +
                          TrackingProtocol::LoopbackAddress.toLatin1() + ':' + QByteArray::number(m_port) + "\r\n\r\n");
    });
    connect(m_question, &QTcpSocket::readyRead, this, &SharedSimulator::readAnswer);
    connect(m_question, &QTcpSocket::errorOccurred, this, &SharedSimulator::noAnswer);
    m_question->connectToHost(QHostAddress(TrackingProtocol::LoopbackAddress), m_port);
}

void SharedSimulator::readAnswer()
{
    m_answer += m_question->readAll();
    if (!m_answer.contains("\r\n\r\n") && m_answer.size() <= MaxLeaseHeadBytes)
        return;
    if (m_answer != TrackingProtocol::LeaseAnswer) {
        // Another server has the port: it would answer again and close again, so it is asked once.
        endSearch(false);
        return;
    }
    m_lease = std::exchange(m_question, nullptr);
    m_lease->disconnect(this);
    connect(m_lease, &QTcpSocket::disconnected, this, &SharedSimulator::onLeaseLost);
    endSearch(true);
}

// Refused, or closed (an error too) before it answered: nothing listens yet, or a simulator that is
// just ending let the question in.
void SharedSimulator::noAnswer()
{
    if (!m_answer.isEmpty()) {
        endSearch(false); // a part of another server's answer
        return;
    }
    dropQuestion();
    // Two copies started at once both start one; the second cannot listen and ends, and both take
    // their lease on the first.
    if (!m_startedInSearch) {
        if (!startSimulator()) {
            endSearch(false);
            return;
        }
        m_startedInSearch = true;
    }
    m_nextQuestion.start(int(qMin<qint64>(RetryPauseMs, m_deadline.remainingTime())));
}

void SharedSimulator::endSearch(bool held)
{
    if (!m_searching)
        return;
    m_searching = false;
    m_giveUp.stop();
    m_nextQuestion.stop();
    dropQuestion();
    m_started = m_started || (held && m_startedInSearch);
    emit searchEnded(held);
}

void SharedSimulator::dropQuestion()
{
    if (!m_question)
        return;
    m_question->disconnect(this);
    m_question->abort();
    m_question->deleteLater();
    m_question = nullptr;
}

void SharedSimulator::onLeaseLost()
{
    m_lease->deleteLater();
    m_lease = nullptr;
    // Someone ended the simulator under the program: start it again rather than leave the window
    // without its services. Requests sent meanwhile fail as refused ones do.
    search(RetakeWaitMs);
}

void SharedSimulator::release()
{
    endSearch(false);
    if (!m_lease)
        return;
    m_lease->disconnect(this);
    m_lease->abort();
    delete m_lease;
    m_lease = nullptr;
}

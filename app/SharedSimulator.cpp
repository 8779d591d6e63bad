#include "SharedSimulator.h"

#include "TrackingProtocol.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QHostAddress>
#include <QNetworkProxy>
#include <QProcess>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <memory>

namespace {
constexpr int RetryPauseMs = 50;
constexpr int RestartWaitMs = 3 * 1000;
// Anything longer than the lease answer is not one.
constexpr qsizetype MaxLeaseHeadBytes = sizeof TrackingProtocol::LeaseAnswer;
} // namespace

SharedSimulator::SharedSimulator(const QString &executable, quint16 port, QObject *parent)
    : QObject(parent), m_executable(executable), m_port(port)
{}

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
    const QDeadlineTimer deadline(waitMs);
    bool startedHere = false;
    for (;;) {
        switch (tryLease(int(qMax<qint64>(deadline.remainingTime(), 1)))) {
        case Attempt::Held:
            m_started = m_started || startedHere;
            return true;
        case Attempt::OtherServer:
            return false;
        case Attempt::NoAnswer:
            break;
        }
        // Two copies started at once both start one; the second cannot listen and ends, and both
        // take their lease on the first.
        if (!startedHere) {
            if (!startSimulator())
                return false;
            startedHere = true;
        }
        if (deadline.hasExpired())
            return false;
        QThread::msleep(RetryPauseMs);
    }
}

SharedSimulator::Attempt SharedSimulator::tryLease(int waitMs)
{
    const QDeadlineTimer deadline(waitMs);
    auto socket = std::make_unique<QTcpSocket>();
    socket->setProxy(QNetworkProxy::NoProxy); // this machine: never through a proxy
    socket->connectToHost(QHostAddress(QHostAddress::LocalHost), m_port);
    if (!socket->waitForConnected(int(deadline.remainingTime())))
        return Attempt::NoAnswer;
    socket->write(QByteArray("GET ") + TrackingProtocol::LeasePath +
                  " HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(m_port) + "\r\n\r\n");
    QByteArray head;
    while (!head.contains("\r\n\r\n")) {
        if (head.size() > MaxLeaseHeadBytes)
            return Attempt::OtherServer;
        if (!socket->waitForReadyRead(int(qMax<qint64>(deadline.remainingTime(), 0))))
            return socket->state() == QAbstractSocket::ConnectedState && !head.isEmpty() ? Attempt::OtherServer
                                                                                         : Attempt::NoAnswer;
        head += socket->readAll();
    }
    if (head != TrackingProtocol::LeaseAnswer)
        return Attempt::OtherServer;
    m_lease = socket.release();
    m_lease->setParent(this);
    connect(m_lease, &QTcpSocket::disconnected, this, &SharedSimulator::onLeaseLost);
    return Attempt::Held;
}

void SharedSimulator::onLeaseLost()
{
    m_lease->deleteLater();
    m_lease = nullptr;
    // Someone ended the simulator under the program: start it again rather than leave the window
    // without its services, not from inside the socket's own signal, and with a shorter wait than
    // at start, as the window is in use.
    QTimer::singleShot(0, this, [this] { acquire(RestartWaitMs); });
}

void SharedSimulator::release()
{
    if (!m_lease)
        return;
    m_lease->disconnect(this);
    m_lease->abort();
    delete m_lease;
    m_lease = nullptr;
}

#include "SimulatorThread.h"

#include "SimulatorServer.h"

#include <memory>

SimulatorThread::SimulatorThread(quint16 port, const QString &updateAnswer) : m_port(port), m_updateAnswer(updateAnswer)
{
    m_thread.setObjectName(QStringLiteral("simulator"));
}

SimulatorThread::~SimulatorThread()
{
    m_thread.quit();
    m_thread.wait();
}

bool SimulatorThread::serve()
{
    if (m_server)
        return true;
    // Listening starts here, on the caller's thread, so that the request it is about to send finds
    // the port open: the system holds the connection until the server's thread takes it.
    // QTcpServer asks for SO_REUSEADDR on Unix and for neither it nor SO_EXCLUSIVEADDRUSE on Windows:
    // on both, a second copy cannot listen while one does, and a port whose listener has just ended
    // takes a new one at once though the connections it served linger in TIME_WAIT. (Windows keeps a
    // port that was bound with SO_EXCLUSIVEADDRUSE refused until those connections are gone.)
    auto server = std::make_unique<SimulatorServer>(m_updateAnswer);
    if (!server->listen(m_port))
        return false;
    // Started only by a copy that serves, and once: the others never have a thread to wake.
    m_thread.start();
    m_server = server.release();
    m_server->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, m_server, &QObject::deleteLater);
    return true;
}

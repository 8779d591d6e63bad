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

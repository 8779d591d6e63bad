#pragma once

// The simulator served from inside the program: on the loopback port, from an event loop on a
// thread of its own, so that an answer never waits for whatever the window is doing.
//
// Copies of the program running at once share the port. The copy that listens there answers every
// copy's requests; the others find the port taken and use what answers. Before each request a copy
// calls serve(): once the copy that listened has ended, however it ended (the system closes a
// process's sockets), the next copy that sends takes the port over, and its request and every other
// copy's after it are answered all the same. Nothing happens in between: no copy watches the port,
// so an idle one is never woken.

#include "TrackingProtocol.h"

#include <QString>
#include <QThread>

class SimulatorServer;

class SimulatorThread
{
public:
    explicit SimulatorThread(quint16 port, const QString &updateAnswer = TrackingProtocol::NoUpdateNeeded);
    ~SimulatorThread();
    SimulatorThread(const SimulatorThread &) = delete;
    SimulatorThread &operator=(const SimulatorThread &) = delete;

    // Listens on the port unless this copy does already, and from then on serves it from the
    // thread. True when this copy serves; false while another server holds the port. Never waits:
    // the system says at once whether the port is free.
    bool serve();
    bool serving() const { return m_server != nullptr; }

private:
    quint16 m_port;
    QString m_updateAnswer;
    QThread m_thread;
    SimulatorServer *m_server = nullptr; // lives on m_thread, which deletes it as it ends
};

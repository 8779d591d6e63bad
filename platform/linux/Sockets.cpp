#include "Platform.h"

#include <QTcpSocket>

#include <linux/sockios.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

namespace Platform {

// A close with SO_LINGER at zero makes the kernel send RST instead of FIN.
void resetConnection(QTcpSocket *socket)
{
    const qintptr descriptor = socket->socketDescriptor();
    if (descriptor != -1) {
        const linger noLinger{1, 0};
        ::setsockopt(int(descriptor), SOL_SOCKET, SO_LINGER, &noLinger, sizeof noLinger);
    }
    socket->abort();
}

int unacknowledgedBytes(const QTcpSocket *socket)
{
    int pending = 0;
    const qintptr descriptor = socket->socketDescriptor();
    if (descriptor != -1 && ::ioctl(int(descriptor), SIOCOUTQ, &pending) == 0)
        return pending;
    return 0;
}

} // namespace Platform

#include "LocalServices.h"

#include "BuildEndpoints.h"
#include "SharedSimulator.h"

#include <QCoreApplication>
#include <QStandardPaths>

// The simulator beside the executable, shared with every other running copy. The start-up's update
// check is the first request: it must find it listening.
std::unique_ptr<QObject> startLocalServices()
{
    auto simulator = std::make_unique<SharedSimulator>(
        QStandardPaths::findExecutable(QStringLiteral("quorvel-simulator"), {QCoreApplication::applicationDirPath()}),
        QUORVEL_SIMULATOR_PORT);
    simulator->acquire();
    return simulator;
}

#include "LocalServices.h"

#include "BuildEndpoints.h"
#include "Module1.h"
#include "SimulatorThread.h"

#include <QObject>

namespace {
// The port is taken over before every request the program sends, the start-up's update check first,
// and at no other time: a copy that finds another copy serving uses it, and one whose server has
// ended serves from its next request on.
class ServedHere : public QObject
{
public:
    ServedHere() : m_simulator(QUORVEL_SIMULATOR_PORT)
    {
        setBeforeEachRequest([this] { m_simulator.serve(); });
    }
    ~ServedHere() override { setBeforeEachRequest({}); }

private:
    SimulatorThread m_simulator;
};
} // namespace

std::unique_ptr<QObject> startLocalServices()
{
    return std::make_unique<ServedHere>();
}

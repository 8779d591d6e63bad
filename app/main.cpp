#include "AppSetup.h"
#include "BuildEndpoints.h"
#include "SharedSimulator.h"
#include "form1.h"

#include <QApplication>
#include <QStandardPaths>
#include <cstdio>
#include <vector>

int main(int argc, char *argv[])
{
    if (!displayAvailable()) {
        std::fputs("quorvel: no display available (DISPLAY is not set); start it under xvfb-run or on a desktop\n",
                   stderr);
        return 1;
    }
    // Qt reads its platform from the arguments; these outlive the application, as Qt requires.
    std::vector<char *> arguments(argv, argv + argc);
    QByteArray platformOption("-platform");
    QByteArray platform = preferredPlatform(probeDesktopSession(argc, argv));
    if (!platform.isEmpty() && argc > 0)
        arguments.insert(arguments.begin() + 1, {platformOption.data(), platform.data()});
    int argumentCount = int(arguments.size());
    arguments.push_back(nullptr);
    QApplication app(argumentCount, arguments.data());
    setUpApplication(app);

    // A demonstration's services are the simulator beside the executable, shared with every other
    // running copy. The start-up's update check is the first request: it must find it listening.
    SharedSimulator simulator(
        QStandardPaths::findExecutable(QStringLiteral("quorvel-simulator"), {QCoreApplication::applicationDirPath()}),
        QUORVEL_BUNDLED_SIMULATOR_PORT);
    if (QUORVEL_BUNDLED_SIMULATOR_PORT != 0)
        simulator.acquire();

    form1 window;
    if (!window.Form_Load())
        return 0;
    window.show();
    return app.exec();
}

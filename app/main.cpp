#include "AppSetup.h"
#include "LocalServices.h"
#include "form1.h"

#include <QApplication>
#include <cstdio>
#include <vector>

int main(int argc, char *argv[])
{
    if (!Platform::displayAvailable()) {
        std::fputs("quorvel: no display available (DISPLAY is not set); start it under xvfb-run or on a desktop\n",
                   stderr);
        return 1;
    }
    // Qt reads its platform from the arguments; these outlive the application, as Qt requires.
    std::vector<char *> arguments(argv, argv + argc);
    QByteArray platformOption("-platform");
    QByteArray platform = preferredPlatform(Platform::probeDesktopSession(argc, argv));
    if (!platform.isEmpty() && argc > 0)
        arguments.insert(arguments.begin() + 1, {platformOption.data(), platform.data()});
    int argumentCount = int(arguments.size());
    arguments.push_back(nullptr);
    QApplication app(argumentCount, arguments.data());
    setUpApplication(app);
    const std::unique_ptr<QObject> services = startLocalServices();

    form1 window;
    if (!window.Form_Load())
        return 0;
    window.show();
    return app.exec();
}

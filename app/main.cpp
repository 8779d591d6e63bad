#include "AppSetup.h"
#include "form1.h"
#ifdef QUORVEL_START_BUNDLED_SIMULATOR
#include "BundledSimulator.h"
#endif

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {
// Without a display Qt would abort with a long message; say it in one line instead.
bool displayAvailable()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    const auto isSet = [](const char *name) {
        const char *value = std::getenv(name);
        return value && *value;
    };
    return isSet("QT_QPA_PLATFORM") || isSet("DISPLAY") || isSet("WAYLAND_DISPLAY");
#else
    return true;
#endif
}
} // namespace

int main(int argc, char *argv[])
{
    if (!displayAvailable()) {
        std::fputs("quorvel: no display available (DISPLAY is not set); start it under xvfb-run or on a desktop\n",
                   stderr);
        return 1;
    }
#ifdef QUORVEL_START_BUNDLED_SIMULATOR
    startBundledSimulator(QUORVEL_START_BUNDLED_SIMULATOR);
#endif
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

    form1 window;
    if (!window.Form_Load())
        return 0;
    window.show();
    return app.exec();
}

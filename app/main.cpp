#include "AppSetup.h"
#include "form1.h"
#ifdef QUORVEL_START_BUNDLED_SIMULATOR
#include "BundledSimulator.h"
#endif

#include <QApplication>
#include <cstdio>
#include <cstdlib>

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
    QApplication app(argc, argv);
    setUpApplication(app);

    form1 window;
    if (!window.Form_Load())
        return 0;
    window.show();
    return app.exec();
}

// quorvel-simulator: the tracking service, the maker's site and the provider's page on one loopback
// port, for running and trying out the tool without the real services.

#include "SimulatorLease.h"
#include "SimulatorServer.h"
#include "TrackingService.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onTerminationSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[0], &byte, 1);
}

// A signal handler may do next to nothing; it only wakes the event loop, which then ends normally.
bool quitOnTerminationSignals(QCoreApplication &app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return false;
    auto *notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app] { app.quit(); });
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGTERM, &action, nullptr) == 0 && ::sigaction(SIGINT, &action, nullptr) == 0;
}

} // namespace
#endif

namespace {
// A simulator started for the programs that lease it and taken by none ends by itself (its starter
// died before it could take its lease, say).
constexpr int FirstLeaseWithinMs = 30 * 1000;
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvel-simulator"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral(
            "Answers on 127.0.0.1 like the services the tool talks to:\n"
            "  GET /?com=CODE&nu=NUMBER&id=KEY  tracking events as JSON, newest first, the same for the same number\n"
            "  GET /gengxin1.txt                 the update answer (see --update-answer)\n"
            "  any other page                    a small home page\n"
            "Problem reports instead of events, checked in this order:\n"
            "  a key other than %1\n"
            "  a courier code the service does not know\n"
            "  an unknown number: shorter than 6 or longer than 30 characters, anything but ASCII letters\n"
            "  and digits, or only zeros (e.g. 000000)\n"
            "One number in four is still on its way (state 0), the others are signed for (state 3).")
            .arg(QLatin1String(TrackingService::accessKey)));
    parser.addHelpOption();
    const QCommandLineOption portOption(
        QStringLiteral("port"),
        QStringLiteral("Listen on port N (default %1; 0 picks a free one).").arg(QUORVEL_SIMULATOR_PORT),
        QStringLiteral("N"), QString::number(QUORVEL_SIMULATOR_PORT));
    const QCommandLineOption updateOption(QStringLiteral("update-answer"),
                                          QStringLiteral("Answer TEXT for /gengxin1.txt (default %1; e.g. 需要更新).")
                                              .arg(QString::fromUtf8(TrackingService::defaultUpdateAnswer)),
                                          QStringLiteral("TEXT"),
                                          QString::fromUtf8(TrackingService::defaultUpdateAnswer));
    const QCommandLineOption endWhenUnusedOption(
        QStringLiteral("end-when-unused"),
        QStringLiteral("End when the last program that uses it has ended: each holds one connection to %1 open. "
                       "Ends too if none has come within %2 s.")
            .arg(QLatin1String(LeasePath))
            .arg(FirstLeaseWithinMs / 1000));
    parser.addOption(portOption);
    parser.addOption(updateOption);
    parser.addOption(endWhenUnusedOption);
    parser.process(app);

    bool portIsNumber = false;
    const uint port = parser.value(portOption).toUInt(&portIsNumber);
    if (!portIsNumber || port > 65535) {
        std::fprintf(stderr, "quorvel-simulator: not a port: %s\n", qPrintable(parser.value(portOption)));
        return 2;
    }

#ifdef Q_OS_UNIX
    if (!quitOnTerminationSignals(app))
        std::fprintf(stderr, "quorvel-simulator: cannot catch SIGTERM/SIGINT; stop it with SIGKILL\n");
#endif
    SimulatorServer server(parser.value(updateOption));
    if (!server.listen(quint16(port))) {
        std::fprintf(stderr, "quorvel-simulator: cannot listen on 127.0.0.1:%u: %s\n", port,
                     qPrintable(server.errorString()));
        return 1;
    }
    std::printf("listening on http://127.0.0.1:%u\n", unsigned(server.port()));
    std::fflush(stdout);
    if (parser.isSet(endWhenUnusedOption)) {
        QObject::connect(&server, &SimulatorServer::lastLeaseEnded, &app, &QCoreApplication::quit);
        QTimer::singleShot(FirstLeaseWithinMs, &server, [&server] {
            if (server.leaseCount() == 0)
                QCoreApplication::quit();
        });
    }
    return app.exec();
}

// The developers' simulator: the tracking service, the maker's site and the provider's page on one loopback
// port, as a demonstration build of the program serves them itself: for developers, to try the tool
// against other answers (scripts/run with arguments) or to ask it with curl.

#include "CarrierTable.h"
#include "Platform.h"
#include "SimulatorServer.h"
#include "TrackingProtocol.h"
#include "TrackingService.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <QUrl>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // Named by its file (tools/simulator/CMakeLists.txt), as Qt names an application by default.
    const QByteArray name = QCoreApplication::applicationName().toLocal8Bit();

    QCommandLineParser parser;
    QStringList codes;
    for (const Carrier &carrier : CarrierTable::rows())
        codes << carrier.apiCode;
    const QString request = QUrl(TrackingProtocol::requestUrl(TrackingProtocol::requestUrlTemplate(QString()),
                                                              QStringLiteral("CODE"), QStringLiteral("NUMBER")))
                                .toString();
    parser.setApplicationDescription(
        QStringLiteral("Answers on %4 like the services the tool talks to:\n"
                       "  GET %1\n"
                       "      tracking events as JSON, oldest first, the same for the same number\n"
                       "  GET %2  the update answer (see --update-answer)\n"
                       "  any other page  a small home page\n"
                       "CODE is one of the tool's couriers: %3.\n"
                       "Problem reports instead of events, checked in this order:\n"
                       "  a key other than the one above\n"
                       "  a courier code the service does not know\n"
                       "  an unknown number: shorter than 6 or longer than 30 characters, anything but ASCII letters\n"
                       "  and digits, or only zeros (e.g. 000000)\n"
                       "One number in four is still on its way (state 0), the others are signed for (state 3).")
            .arg(request, TrackingProtocol::UpdateFilePath, codes.join(QStringLiteral(", ")),
                 TrackingProtocol::LoopbackAddress));
    parser.addHelpOption();
    const QCommandLineOption portOption(
        QStringLiteral("port"),
        QStringLiteral("Listen on port N (default %1; 0 picks a free one).").arg(QUORVEL_SIMULATOR_PORT),
        QStringLiteral("N"), QString::number(QUORVEL_SIMULATOR_PORT));
    const QCommandLineOption updateOption(
        QStringLiteral("update-answer"),
        QStringLiteral("Answer TEXT for %1 (default %2; e.g. %3).")
            .arg(TrackingProtocol::UpdateFilePath, TrackingProtocol::NoUpdateNeeded, TrackingProtocol::UpdateNeeded),
        QStringLiteral("TEXT"), TrackingProtocol::NoUpdateNeeded);
    parser.addOption(portOption);
    parser.addOption(updateOption);
    parser.process(app);

    bool portIsNumber = false;
    const uint port = parser.value(portOption).toUInt(&portIsNumber);
    if (!portIsNumber || port > 65535) {
        std::fprintf(stderr, "%s: not a port: %s\n", name.constData(), qPrintable(parser.value(portOption)));
        return 2;
    }

    if (!Platform::quitOnTerminationRequests(app))
        std::fprintf(stderr, "%s: cannot catch the system's requests to end; kill it instead\n", name.constData());
    SimulatorServer server(parser.value(updateOption));
    if (!server.listen(quint16(port))) {
        std::fprintf(stderr, "%s: cannot listen on %s:%u: %s\n", name.constData(),
                     qPrintable(TrackingProtocol::LoopbackAddress), port, qPrintable(server.errorString()));
        return 1;
    }
    std::printf("listening on http://%s:%u\n", qPrintable(TrackingProtocol::LoopbackAddress), unsigned(server.port()));
    std::fflush(stdout);
    return app.exec();
}

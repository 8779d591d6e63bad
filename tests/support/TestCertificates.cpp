#include "TestCertificates.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslKey>

namespace TestCertificates {
namespace {

QByteArray resource(const QString &name)
{
    QFile file(QStringLiteral(":/certificates/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("no test certificate %s", qPrintable(name));
    return file.readAll();
}

QSslCertificate certificate(const QString &name)
{
    const QSslCertificate read(resource(name), QSsl::Pem);
    if (read.isNull())
        qFatal("test certificate %s does not read", qPrintable(name));
    return read;
}

} // namespace

QSslConfiguration serverConfiguration(Server server)
{
    QString name;
    switch (server) {
    case Server::Trusted:
        name = QStringLiteral("trusted.pem");
        break;
    case Server::UnknownIssuer:
        name = QStringLiteral("unknown-issuer.pem");
        break;
    case Server::WrongName:
        name = QStringLiteral("wrong-name.pem");
        break;
    case Server::Expired:
        name = QStringLiteral("expired.pem");
        break;
    }
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setLocalCertificate(certificate(name));
    const QSslKey key(resource(QStringLiteral("server.key")), QSsl::Rsa, QSsl::Pem);
    if (key.isNull())
        qFatal("the tests' server key does not read");
    configuration.setPrivateKey(key);
    // A server asks nothing of its clients.
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    return configuration;
}

void trustTestAuthority()
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.addCaCertificate(certificate(QStringLiteral("ca.pem")));
    QSslConfiguration::setDefaultConfiguration(configuration);
}

} // namespace TestCertificates

#pragma once

// The tests' own certificates (certificates/, made by certificates/make-certificates): an authority
// that only a test trusts, and servers' certificates for 127.0.0.1 and localhost that pass or fail
// verification in one way each.

#include <QSslConfiguration>

namespace TestCertificates {

enum class Server
{
    Trusted,       // signed by the test authority, valid, for 127.0.0.1 and localhost
    UnknownIssuer, // signed by an authority nobody trusts
    WrongName,     // for wrong-name.example.test only
    Expired,       // valid in 2020 only
};

// What a TLS test server shows: the certificate and its key.
QSslConfiguration serverConfiguration(Server server);

// Adds the test authority to the default configuration, as a system's trust store would hold it:
// from then on every request of this process trusts it, and the verification stays on.
void trustTestAuthority();

} // namespace TestCertificates

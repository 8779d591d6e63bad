#pragma once

// What the program and the services it talks to agree on, written once for both sides: the program
// builds its requests from here, and the bundled simulator reads and answers them from here. The
// courier codes are the Carrier table's (query/CarrierTable.cpp), which both sides read too.

#include <QString>
#include <optional>

namespace TrackingProtocol {

// This machine, where the demonstration's simulator listens and the program finds it (the build's
// QUORVEL_LOOPBACK_ADDRESS).
inline const QString LoopbackAddress = QStringLiteral(QUORVEL_LOOPBACK_ADDRESS);

// The key the tracking service knows the program by; every tracking request carries it.
inline const QString AccessKey = QStringLiteral("5C1B0E9A7D3F2846B0A1C9E8D7F6A5B4");

// "BASE/?com=gongsi&nu=danhao&id=KEY", BASE the service's base URL (scheme, host, optional port):
// the courier's code goes where "gongsi" stands, the tracking number where "danhao" stands.
QString requestUrlTemplate(const QString &trackingUrl);

// Fills "gongsi" with the API code and "danhao" with the percent-encoded number in one pass, so
// that neither value is scanned for the other's placeholder.
QString requestUrl(const QString &urlTemplate, const QString &apiCode, const QString &number);

// A tracking request as the service reads it: the values in the template's places, decoded.
struct TrackingRequest
{
    QString courierCode;
    QString number;
    QString key;
};

// The request behind a GET of `path` with the still percent-encoded `query`, when the path is the
// template's and there is a query; a value the query lacks is empty. None for anything else.
std::optional<TrackingRequest> readTrackingRequest(const QString &path, const QString &query);

// The file on the maker's site that decides at every start whether this version may run, and its
// two meaningful answers; any other text counts as neither.
inline const QString UpdateFilePath = QStringLiteral("/gengxin1.txt");
inline const QString UpdateNeeded = QStringLiteral("需要更新");
inline const QString NoUpdateNeeded = QStringLiteral("不用更新");

} // namespace TrackingProtocol

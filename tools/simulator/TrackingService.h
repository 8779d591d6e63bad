#pragma once

// The answers of the tracking service as the tool meets it, made up on the spot: deterministic for a
// given tracking number, in the service's JSON forms, plus the maker's update file and home page.
// The requests are the protocol's (TrackingProtocol.h), the couriers the Carrier table's.

#include "TrackingProtocol.h"

#include <QByteArray>
#include <QString>

namespace TrackingService {

struct Answer
{
    int status = 200;
    QByteArray contentType;
    QByteArray body;
};

// A number the service has records of: 6 to 30 ASCII letters and digits, not all of them zeros.
bool isKnownNumber(const QString &number);

// The JSON answer to a query: the events of the parcel, oldest first, as the tool's copy commands
// take them (the first line the pick-up, the last the latest), or a problem report when the key, the
// courier code or the number is not right (checked in that order).
QByteArray trackingAnswer(const QString &courierCode, const QString &number, const QString &key);

// The answer to a GET of `path` with the still percent-encoded `query`: a tracking answer for a
// tracking request, `updateAnswer` for the update file, the home page for everything else.
Answer answerFor(const QString &path, const QString &query,
                 const QString &updateAnswer = TrackingProtocol::NoUpdateNeeded);

} // namespace TrackingService

#pragma once

// The answers of the tracking service as the tool meets it, made up on the spot: deterministic for a
// given tracking number, in the service's JSON forms, plus the maker's update file and home page.

#include <QByteArray>
#include <QList>
#include <QString>

namespace TrackingService {

inline constexpr char accessKey[] = "5C1B0E9A7D3F2846B0A1C9E8D7F6A5B4";
inline constexpr char defaultUpdateAnswer[] = "不用更新";

struct Courier
{
    QString code; // as the query key com carries it
    QString name; // as the event texts name it
};

struct Answer
{
    int status = 200;
    QByteArray contentType;
    QByteArray body;
};

// Every courier code the service knows.
const QList<Courier> &couriers();

// A number the service has records of: 6 to 30 ASCII letters and digits, not all of them zeros.
bool isKnownNumber(const QString &number);

// The JSON answer to a query: the events of the parcel, newest first, or a problem report when the
// key, the courier code or the number is not right (checked in that order).
QByteArray trackingAnswer(const QString &courierCode, const QString &number, const QString &key);

// The answer to a GET of `path` with the still percent-encoded `query`: a tracking answer for "/" with
// a query, `updateAnswer` for the update file, the home page for everything else.
Answer answerFor(const QString &path, const QString &query, const QString &updateAnswer = defaultUpdateAnswer);

} // namespace TrackingService

#include "TrackingProtocol.h"

#include <QUrl>
#include <QUrlQuery>

namespace TrackingProtocol {
namespace {
const QString CompanyPlaceholder = QStringLiteral("gongsi");
const QString NumberPlaceholder = QStringLiteral("danhao");
} // namespace

QString requestUrlTemplate(const QString &trackingUrl)
{
    return trackingUrl + QStringLiteral("/?com=") + CompanyPlaceholder + QStringLiteral("&nu=") + NumberPlaceholder +
           QStringLiteral("&id=") + AccessKey;
}

QString requestUrl(const QString &urlTemplate, const QString &apiCode, const QString &number)
{
    const QString encodedNumber = QString::fromLatin1(QUrl::toPercentEncoding(number));
    QString url;
    url.reserve(urlTemplate.size() + encodedNumber.size() + apiCode.size());
    for (qsizetype i = 0; i < urlTemplate.size();) {
        const QStringView rest = QStringView(urlTemplate).mid(i);
        if (rest.startsWith(CompanyPlaceholder)) {
            url += apiCode;
            i += CompanyPlaceholder.size();
        } else if (rest.startsWith(NumberPlaceholder)) {
            url += encodedNumber;
            i += NumberPlaceholder.size();
        } else {
            url += urlTemplate.at(i);
            ++i;
        }
    }
    return url;
}

// Read through the template itself, so that the two sides cannot drift apart: whatever its path and
// keys are, the reader looks there.
std::optional<TrackingRequest> readTrackingRequest(const QString &path, const QString &query)
{
    const QUrl form(requestUrlTemplate(QString())); // relative: the path and query alone
    if (path != form.path() || query.isEmpty())
        return std::nullopt;
    const QUrlQuery received(query);
    TrackingRequest request;
    for (const auto &[key, placeholder] : QUrlQuery(form).queryItems()) {
        // Decoded byte by byte: QUrlQuery's own decoding leaves some characters (noncharacters such
        // as U+FDD0) percent-encoded.
        const QString value = QUrl::fromPercentEncoding(received.queryItemValue(key, QUrl::FullyEncoded).toUtf8());
        if (placeholder == CompanyPlaceholder)
            request.courierCode = value;
        else if (placeholder == NumberPlaceholder)
            request.number = value;
        else
            request.key = value;
    }
    return request;
}

} // namespace TrackingProtocol
